#include "platform/files/filenames.h"

#include <gtest/gtest.h>

using namespace galimo;

TEST(FileNames, NamesThatAreNotUtf8ShowInTheWesternCodePage)
{
    const struct {
        const char* raw;
        const char* shown;
    } rows[] = {
        {"No\xC3\xABl", "Noël"},                       // UTF-8 as it stands
        {"\xC9t\xE9", "Été"},                          // Latin-1
        {"caf\xC3\xA9 \xE9", "café é"},                // both in one name
        {"\x80 \x9C", "€ œ"},                          // the code page's own letters
        {"\x81", "\xEF\xBF\xBD"},                      // a byte it leaves undefined
        {"\xC0\xAF", "À¯"},                            // an overlong form is not UTF-8
        {"\xED\xA0\x80", "í\xC2\xA0€"},                // nor a surrogate
        {"\xF0\x9F\x93\xB7", "\xF0\x9F\x93\xB7"},      // a four-byte character is
        {"\xC3", "Ã"},                                 // a cut sequence is not
    };
    for (const auto& r : rows) EXPECT_EQ(FileNameToUtf8(r.raw), r.shown) << r.shown;
}

TEST(FileNames, MasksMatchExtensionsWithoutRegardToCase)
{
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } rows[] = {
        {"a.jpg", "*.JPG", true}, {"A.JpG", "*.JPG", true},   {"a.jpeg", "*.JPG", false},
        {"ajpg", "*.JPG", false}, {"x.y.gif", "*.GIF", true}, {"\xE9t\xE9.bmp", "*.BMP", true},
        {"noext", "*.*", true},   {"b.bmp", "?.BMP", true},   {"bb.bmp", "?.BMP", false},
    };
    for (const auto& r : rows) EXPECT_EQ(MatchesMask(r.name, r.mask), r.matches) << r.name << " " << r.mask;
}

// The desktop's handler for an address, as the shell hands it over.
