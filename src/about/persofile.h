// The personalisation file "galimo.ini" in the start folder: three lines of text, the
// mail picture's hint and the owner's address, one "KEY=value" line each, Windows-1252.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace galimo {

inline constexpr char PersoFileName[] = "galimo.ini";

enum class PersoKey { None, Ligne1, Ligne2, Ligne3, Hint, Mail };

struct PersoEntry {
    PersoKey key = PersoKey::None;
    QString value;  // trimmed of every byte of code 32 or below at both ends
};

// Keys match in any letter case (ASCII letters only), from the line's first character.
PersoEntry ParsePersoLine(std::string_view line);

// True only for a file: a folder of that name does not count.
bool PersoFileExists(const std::string& fileName);

// Calls onLine for every line read, in order; raises EInOutError where reading fails,
// after the lines before have been handed over.
void ReadPersoFile(const std::string& fileName, const std::function<void(const PersoEntry&)>& onLine);

struct PersoTexts {
    QString ligne1, ligne2, ligne3, hint, mail;
};

// The five lines, each value as typed but for line breaks and tabs, which become blanks.
// Replaces the file only once it is all written.
void WritePersoFile(const std::string& fileName, const PersoTexts& texts);

}  // namespace galimo
