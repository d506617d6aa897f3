#include "platform/posix/sendmail.h"

#include <QFile>
#include <QFileInfo>

#include <gmime/gmime.h>

namespace platform {

namespace {

// GMime objects are reference counted; this drops ours at scope end.
template <typename T>
struct GRef {
    T* p;
    explicit GRef(T* obj) : p(obj) {}
    ~GRef()
    {
        if (p)
            g_object_unref(p);
    }
    GRef(const GRef&) = delete;
    GRef& operator=(const GRef&) = delete;
    T* operator->() const { return p; }
    operator T*() const { return p; }
};

// An empty display name is left out rather than written as "".
InternetAddress* Mailbox(const QString& name, const QString& address)
{
    const QByteArray n = name.toUtf8();
    const QByteArray a = address.toUtf8();
    return internet_address_mailbox_new(name.isEmpty() ? nullptr : n.constData(), a.constData());
}

QByteArray MessageIdDomain(const QString& address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    const QString domain = at >= 0 ? address.mid(at + 1).trimmed() : QString();
    return domain.isEmpty() ? QByteArrayLiteral("localhost") : domain.toUtf8();
}

// The whole file, or nothing when it cannot be read to its end.
bool ReadAttachment(const QString& path, QByteArray* content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

void SetHeaders(GMimeMessage* message, const MailMessage& mail)
{
    GRef<InternetAddress> from(Mailbox(mail.fromName, mail.fromAddress));
    internet_address_list_add(g_mime_message_get_from(message), from);
    GRef<InternetAddress> to(Mailbox(mail.toName, mail.toAddress));
    internet_address_list_add(g_mime_message_get_addresses(message, GMIME_ADDRESS_TYPE_TO), to);

    g_mime_message_set_subject(message, mail.subject.toUtf8().constData(), "utf-8");

    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message, now);
    g_date_time_unref(now);
    char* id = g_mime_utils_generate_message_id(MessageIdDomain(mail.fromAddress).constData());
    g_mime_message_set_message_id(message, id);
    g_free(id);
}

GMimeTextPart* NewBodyPart(const QString& text)
{
    GMimeTextPart* body = g_mime_text_part_new_with_subtype("plain");
    g_mime_text_part_set_text(body, text.toUtf8().constData());
    g_mime_text_part_set_charset(body, "utf-8");
    g_mime_part_set_content_encoding(GMIME_PART(body), g_mime_part_get_best_content_encoding(
                                                           GMIME_PART(body), GMIME_ENCODING_CONSTRAINT_7BIT));
    return body;
}

GMimePart* NewAttachmentPart(const QString& path, const QByteArray& content)
{
    GMimePart* attachment = g_mime_part_new_with_type("audio", "mpeg");
    g_mime_object_set_disposition(GMIME_OBJECT(attachment), GMIME_DISPOSITION_ATTACHMENT);
    g_mime_part_set_filename(attachment, QFileInfo(path).fileName().toUtf8().constData());
    GRef<GMimeStream> data(g_mime_stream_mem_new_with_buffer(content.constData(), size_t(content.size())));
    GRef<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(data, GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(attachment, wrapper);
    g_mime_part_set_content_encoding(attachment, GMIME_CONTENT_ENCODING_BASE64);
    return attachment;
}

QByteArray Serialise(GMimeMessage* message)
{
    GRef<GMimeStream> out(g_mime_stream_mem_new());
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, out) < 0)
        return {};
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.p));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

} // namespace

QByteArray ComposeMail(const MailMessage& mail)
{
    QByteArray content;
    if (!ReadAttachment(mail.attachmentPath, &content))
        return {};

    // GMime counts its initialisations; only the first one does the work.
    g_mime_init();
    GRef<GMimeMessage> message(g_mime_message_new(TRUE));
    SetHeaders(message, mail);

    GRef<GMimeTextPart> body(NewBodyPart(mail.body));
    GRef<GMimePart> attachment(NewAttachmentPart(mail.attachmentPath, content));
    GRef<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed, GMIME_OBJECT(body.p));
    g_mime_multipart_add(mixed, GMIME_OBJECT(attachment.p));
    g_mime_message_set_mime_part(message, GMIME_OBJECT(mixed.p));

    return Serialise(message);
}

} // namespace platform
