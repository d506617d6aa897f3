#include "config/validemail.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
    const char* address; // UTF-8
    bool valid;
};

void ExpectAll(std::initializer_list<AddressCase> cases)
{
    for (const AddressCase& c : cases)
        EXPECT_EQ(IsValidEmail(QString::fromUtf8(c.address)), c.valid) << '"' << c.address << '"';
}

TEST(EmailAddress, AddressesWithoutASingleAtAreRefused)
{
    ExpectAll({
        {"", false},
        {"    ", false},
        {"eleve.lycee.fr", false},
        {"a@b@lycee.fr", false},
        {"eleve@lycee.fr@", false},
        {"@@lycee.fr", false},
        {"@lycee.fr", false},
        {" @lycee.fr", false},
    });
}

TEST(EmailAddress, CaseAndSurroundingSpacesAreForgiven)
{
    ExpectAll({
        {"Jean.Dupont@Lycee-Hugo.FR", true},
        {"   eleve@lycee.fr   ", true},
        {"ELEVE@LYCEE.COM", true},
        // Only the space is trimmed.
        {"\televe@lycee.fr", false},
        {"eleve@lycee.fr\n", false},
        {"eleve@lycee.fr\u00A0", false},
    });
}

TEST(EmailAddress, LocalPartAllowsLettersDigitsUnderscoreDotHyphenOnly)
{
    ExpectAll({
        {"a@lycee.fr", true},
        {"jean_dupont-2@lycee.fr", true},
        {".jean@lycee.fr", true},
        {"jean.@lycee.fr", true},
        {"je..an@lycee.fr", true},
        {"-@lycee.fr", true},
        {"jean+cours@lycee.fr", false},
        {"jean dupont@lycee.fr", false},
        {"élève@lycee.fr", false},
        {"jean'x@lycee.fr", false},
        {"jean@x@lycee.fr", false},
    });
}

TEST(EmailAddress, HostLabelsNeedTwoAllowedCharacters)
{
    ExpectAll({
        {"eleve@lyceefr", false},
        {"eleve@l.fr", false},
        {"eleve@ly.fr", true},
        {"eleve@lycee..fr", false},
        {"eleve@.lycee.fr", false},
        {"eleve@lycee.fr.", false},
        {"eleve@lycée.fr", false},
        {"eleve@ly cee.fr", false},
        {"eleve@lycee_hugo.fr", false},
        {"eleve@-.fr", false},
        {"eleve@--.fr", true},
        {"eleve@12.fr", true},
        {"eleve@ac-lyon.lycee2.fr", true},
        {"eleve@ac.x.fr", false},
    });
}

TEST(EmailAddress, TopLevelIsTwoOrThreeLetters)
{
    ExpectAll({
        {"eleve@lycee.f", false},
        {"eleve@lycee.fr", true},
        {"eleve@lycee.com", true},
        {"eleve@lycee.info", false},
        {"eleve@lycee.f2", false},
        {"eleve@lycee.c-m", false},
        {"eleve@lycee.é", false},
        {"eleve@lycee.", false},
    });
}

} // namespace
