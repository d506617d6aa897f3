#pragma once
// What the single and the split upload share: request set-up, wait loop,
// test file and the messages of the reply judgement.
#include "send/tempfile.h"

#include <QString>

#include <memory>

class HttpRequest;
class UploadSession;

inline constexpr qint64 kSingleUploadLimit = 2097152;

namespace UploadText {
inline const QString Abandon = QStringLiteral("Abandon du transfert !");
inline const QString Success = QStringLiteral("Le fichier a été transféré avec succès.");
inline const QString Unexpected = QStringLiteral("Réponse inattendue du serveur !");
inline const QString Busy = QStringLiteral("Le site de téléchargement est vraisemblablement occupé !\r"
                                           "Veuillez réessayer dans quelques minutes.");
inline const QString StatusPrefix = QStringLiteral("Echec du transfert, code de réponse HTTP = ");
QString Connection();
// The site's certificate failed verification after a move to HTTPS.
inline const QString Certificate = QStringLiteral(
    "Le site Web n'a pas pu prouver son identité : son certificat de sécurité n'est pas valable !\r"
    "Le fichier n'a pas été transféré.\r"
    "Vérifiez l'adresse du site Web dans les paramètres de connexion ou prévenez votre professeur.");
// One of the upload's own files in the recording folder is a link.
QString LinkRefused(const QString& path);
} // namespace UploadText

QString TestFilePath();
// Open when written; a link in its place is refused and left as it is.
NewFile::Status WriteTestFile();

// Whole number 1 to 1 000 000, as decimal text.
QString DrawProofNumber();

struct PreparedPass {
    std::unique_ptr<HttpRequest> request;
    QString proofNumber;
    bool stepFailed = false; // a set-up step failed (unreadable file, bad proxy port)
};

// New request for one pass: time-out, block size, host, port, path, proof
// number, proxy, then the file and the four text fields in their order. The
// upload path is read from the settings file again and kept in the session.
PreparedPass PreparePass(UploadSession& session, const QString& filePath);

// Turns the wait loop until the sent request has ended, feeding the progress
// window; abandons when the session says the pupil asked to.
void RunWaitLoop(UploadSession& session, HttpRequest& request);

// Sends the pass and waits for its reply. A redirect to HTTPS on the same
// host sends the same pass again there (a few times in a row at most) and
// the later passes of the upload go there at once; any other redirect is a
// reply like any other. False when the request could not start.
bool SendPass(UploadSession& session, PreparedPass& pass);

// Longest time for one pass, from the request to the end of its reply.
inline constexpr qint32 kPassDeadlineMs = 5 * 60 * 1000;
inline constexpr int kMaxRedirects = 3;

// Message for a status-200 reply without the proof number.
QString ReplyWordMessage(const QString& replyText);

QString ReplyText(const HttpRequest& request);
