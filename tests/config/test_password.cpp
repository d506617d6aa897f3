#include "config/password.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Mixes ASCII with Windows-1252 letters that sit above 127 ("é" 0xE9, "€" 0x80, "ÿ" 0xFF).
QString Password(int length)
{
    const QString alphabet = QString::fromUtf8("aZ9é€ !~ÿ\"=;#Œ");
    QString out;
    for (int i = 0; i < length; ++i)
        out += alphabet[(i * 7 + length) % alphabet.size()];
    return out;
}

QByteArray Raw(const QString& stored) { return QByteArray::fromHex(stored.toLatin1()); }

TEST(PasswordScrambling, EveryLengthUpTo64ReadsBack)
{
    for (int n = 0; n <= 64; ++n) {
        const QString clear = Password(n);
        const QString stored = EncodePassword(clear);
        EXPECT_EQ(stored.size(), 6 * n) << n;
        EXPECT_EQ(UnscrambleSetting(stored), clear) << n;
    }
}

TEST(PasswordScrambling, StoredTextIsTheTripleLayoutUpTo31Characters)
{
    const QRegularExpression upperHex(QStringLiteral("^[0-9A-F]*$"));
    const auto& key = PasswordFillerKey();
    for (int n = 1; n <= 31; ++n) {
        const QString clear = Password(n);
        const QString stored = EncodePassword(clear);
        ASSERT_TRUE(upperHex.match(stored).hasMatch()) << stored.toStdString();
        const QByteArray raw = Raw(stored);
        const QByteArray plain = ToWindows1252(clear);
        ASSERT_EQ(raw.size(), 3 * n);
        for (int i = 0; i < n; ++i) {
            const auto s = static_cast<quint8>(raw[3 * i]);
            const auto c = static_cast<quint8>(raw[3 * i + 1]);
            const auto f = static_cast<quint8>(raw[3 * i + 2]);
            EXPECT_GE(s, 190) << n << ' ' << i;
            EXPECT_LE(s, 254) << n << ' ' << i;
            EXPECT_EQ(c ^ s, static_cast<quint8>(plain[i])) << n << ' ' << i;
            const int r = f ^ key[static_cast<std::size_t>(i)];
            EXPECT_GE(r, 65) << n << ' ' << i;
            EXPECT_LE(r, 116) << n << ' ' << i;
        }
    }
}

TEST(PasswordScrambling, LongPasswordsReuseTheFillerSoTriplesStayWhole)
{
    const QByteArray raw = Raw(EncodePassword(Password(70)));
    ASSERT_EQ(raw.size(), 210);
    for (int i = 31; i < 70; ++i)
        EXPECT_EQ(raw[3 * i + 2], raw[3 * (i % 31) + 2]) << i;
}

TEST(PasswordScrambling, EachEncodingDrawsNewCodes)
{
    const QString clear = QStringLiteral("motdepasse");
    QStringList seen;
    for (int i = 0; i < 5; ++i)
        seen.append(EncodePassword(clear));
    seen.removeDuplicates();
    EXPECT_GT(seen.size(), 1);
    for (const QString& s : seen)
        EXPECT_EQ(UnscrambleSetting(s), clear);
}

TEST(PasswordScrambling, CharactersOutsideWindows1252BecomeQuestionMarks)
{
    EXPECT_EQ(UnscrambleSetting(EncodePassword(QString::fromUtf8("a\u4E2Db"))), "a?b");
    EXPECT_EQ(EncodePassword(QString()), QString());
}

} // namespace
