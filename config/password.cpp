#include "config/password.h"

#include "foundation/windows1252.h"

#include <QRandomGenerator>

namespace {

int RandomCode(int count, int first)
{
    return static_cast<int>(QRandomGenerator::global()->generateDouble() * count) + first;
}

} // namespace

const std::array<std::uint8_t, 31>& PasswordFillerKey()
{
    static const std::array<std::uint8_t, 31> key = [] {
        std::array<std::uint8_t, 31> k{};
        const char text[] = "Mirlo: enregistrer et envoyer!";
        for (std::size_t i = 0; i < k.size(); ++i)
            k[i] = static_cast<std::uint8_t>(text[i % (sizeof(text) - 1)]) ^ static_cast<std::uint8_t>(i * 7);
        return k;
    }();
    return key;
}

QString EncodePassword(const QString& clear)
{
    const auto& key = PasswordFillerKey();
    std::array<std::uint8_t, 31> filler{};
    for (std::size_t i = 0; i < filler.size(); ++i)
        filler[i] = static_cast<std::uint8_t>(RandomCode(52, 65) ^ key[i]);

    const QByteArray plain = ToWindows1252(clear);
    QByteArray raw;
    raw.reserve(plain.size() * 3);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const auto s = static_cast<std::uint8_t>(RandomCode(65, 190));
        raw.append(static_cast<char>(s));
        raw.append(static_cast<char>(static_cast<std::uint8_t>(plain[i]) ^ s));
        // Past 31 characters the filler starts again, so every triple stays
        // whole and longer passwords still read back.
        raw.append(static_cast<char>(filler[static_cast<std::size_t>(i) % filler.size()]));
    }
    return QString::fromLatin1(raw.toHex().toUpper());
}
