#include "tests/send/mail_parse.h"

#include <gmime/gmime.h>

namespace {

QString Utf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

QString MimeType(GMimeObject* object)
{
    char* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object));
    const QString result = Utf8(type);
    g_free(type);
    return result;
}

void FirstMailbox(InternetAddressList* list, QString& name, QString& address)
{
    if (!list || internet_address_list_length(list) < 1)
        return;
    InternetAddress* a = internet_address_list_get_address(list, 0);
    name = Utf8(internet_address_get_name(a));
    if (INTERNET_ADDRESS_IS_MAILBOX(a))
        address = Utf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
}

} // namespace

bool AttachmentIsBase64(const ParsedMail& mail)
{
    return mail.attachmentEncoding == GMIME_CONTENT_ENCODING_BASE64;
}

ParsedMail ParseMail(const QByteArray& raw)
{
    g_mime_init();
    ParsedMail out;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size()));
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    if (!message)
        return out;

    FirstMailbox(g_mime_message_get_from(message), out.fromName, out.fromAddress);
    FirstMailbox(g_mime_message_get_addresses(message, GMIME_ADDRESS_TYPE_TO), out.toName, out.toAddress);
    out.subject = Utf8(g_mime_message_get_subject(message));

    GMimeObject* top = g_mime_message_get_mime_part(message);
    if (top && GMIME_IS_MULTIPART(top)) {
        GMimeMultipart* mixed = GMIME_MULTIPART(top);
        out.partCount = g_mime_multipart_get_count(mixed);
        if (out.partCount >= 1) {
            GMimeObject* body = g_mime_multipart_get_part(mixed, 0);
            out.bodyType = MimeType(body);
            if (GMIME_IS_TEXT_PART(body)) {
                out.bodyCharset = Utf8(g_mime_text_part_get_charset(GMIME_TEXT_PART(body)));
                char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(body));
                out.body = Utf8(text);
                g_free(text);
            }
        }
        if (out.partCount >= 2) {
            GMimeObject* file = g_mime_multipart_get_part(mixed, 1);
            out.attachmentType = MimeType(file);
            out.attachmentDisposition = Utf8(g_mime_object_get_disposition(file));
            if (GMIME_IS_PART(file)) {
                GMimePart* part = GMIME_PART(file);
                out.attachmentFilename = Utf8(g_mime_part_get_filename(part));
                out.attachmentEncoding = int(g_mime_part_get_content_encoding(part));
                GMimeStream* bytes = g_mime_stream_mem_new();
                g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), bytes);
                GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(bytes));
                out.attachment =
                    QByteArray(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
                g_object_unref(bytes);
            }
        }
    }
    g_object_unref(message);
    out.ok = true;
    return out;
}
