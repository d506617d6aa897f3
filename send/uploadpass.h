#pragma once
// What the single and the split upload share: the files of the passes, the
// way to the site (HTTPS first, and remembered), and the passes themselves,
// one request after the other, driven by the event loop.
#include "foundation/settings.h"
#include "send/uploadview.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class HttpRequest;
class UploadSession;

inline constexpr qint64 kSingleUploadLimit = 2097152;
// Longest time for one pass, from the request to the end of its reply.
inline constexpr qint32 kPassDeadlineMs = 5 * 60 * 1000;
// Silence allowed while sending, and time allowed for the reply after it.
inline constexpr qint32 kPassTimeoutMs = 30000;
// How long a site that has never spoken HTTPS gets to answer on its port.
inline constexpr qint32 kHttpsTryMs = 5000;
inline constexpr int kMaxMoves = 3;

// The file one pass sends: a byte range of a file on disk, or bytes made here.
struct PassFile {
    QString fileName; // as the site receives it
    QString path;     // empty: `bytes`
    qint64 offset = 0;
    qint64 length = -1; // -1: to the end
    QByteArray bytes;
};

// The test file sent before the recording: its name and its one line.
PassFile TestFile();

// Whole number 1 to 1 000 000, as decimal text.
QString DrawProofNumber();

// The site as stored: a host, perhaps a port ("host:8080"), perhaps a
// leading scheme; "https://" makes it HTTPS only. A path after the host
// does not matter to the address.
struct SiteAddress {
    QString host;
    qint32 port = -1; // -1: the scheme's own
    bool httpsOnly = false;
};
SiteAddress ParseSite(const QString& site);

// "[Web] HttpsSite" of the working settings file: the host (and port, when
// not 443) of a site that has spoken HTTPS. Older versions ignore the key.
inline const QString kHttpsSiteKey = QStringLiteral("HttpsSite");
// Where HTTPS goes for this site, when it is known to speak it: an empty
// host when it is not.
SiteAddress RememberedHttps(const Settings& settings, const SiteAddress& site);

// The passes of one upload, one after the other: each request waits for the
// reply to the previous one. The first pass decides the way to the site for
// all the others: HTTPS when the site is known to speak it; otherwise HTTPS
// is tried first and plain HTTP taken only when nothing answers there
// (never after a certificate failure); a move to HTTPS on the same host is
// followed and remembered. Emits `finished` once the outcome is reported.
class UploadPasses final : public QObject {
    Q_OBJECT
public:
    enum class Mode { Single, Split };
    UploadPasses(UploadSession& session, const Settings& settings, QList<PassFile> files, Mode mode);
    ~UploadPasses() override;

    void start();

signals:
    void finished();

private:
    enum class Way { TryHttps, Https, Plain };

    void StartPass(bool resend);
    void OnEnded();
    void Conclude();
    void Remember(const QString& host, qint32 port);
    void Report(const HandInReport& report);
    void End();

    UploadSession& m_session;
    const Settings m_settings;
    const QList<PassFile> m_files;
    const Mode m_mode;
    SiteAddress m_site;
    Way m_way = Way::TryHttps;
    qint32 m_httpsPort = 443;
    QString m_movedFrom; // the upload path a move replaced, and where it went
    QString m_movedTo;
    bool m_remembered = false;
    int m_pass = 0;
    int m_moves = 0;
    std::unique_ptr<HttpRequest> m_request;
    QString m_proofNumber;
    bool m_ended = false;
};
