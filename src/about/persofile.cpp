#include "about/persofile.h"

#include "platform/files/textfile.h"

#include <sys/stat.h>

namespace galimo {

namespace {

bool KeyIs(std::string_view line, std::string_view key)
{
    if (line.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != key[i]) return false;
    }
    return true;
}

QString Trimmed(std::string_view value)
{
    size_t begin = 0, end = value.size();
    while (begin < end && static_cast<unsigned char>(value[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(value[end - 1]) <= 32) --end;
    return DecodeWindows1252(value.substr(begin, end - begin));
}

}  // namespace

PersoEntry ParsePersoLine(std::string_view line)
{
    static constexpr struct {
        std::string_view key;
        PersoKey id;
    } keys[] = {{"LIGNE1=", PersoKey::Ligne1}, {"LIGNE2=", PersoKey::Ligne2}, {"LIGNE3=", PersoKey::Ligne3},
                {"HINT=", PersoKey::Hint},     {"MAIL=", PersoKey::Mail}};
    for (const auto& k : keys)
        if (KeyIs(line, k.key)) return {k.id, Trimmed(line.substr(k.key.size()))};
    return {};
}

bool PersoFileExists(const std::string& fileName)
{
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void ReadPersoFile(const std::string& fileName, const std::function<void(const PersoEntry&)>& onLine)
{
    TTextFile file;
    file.Reset(fileName);
    while (!file.Eof()) onLine(ParsePersoLine(file.ReadLn()));
    file.Close();
}

namespace {
// A line break or a tab typed or pasted into an edit would split the file's lines or end
// it early (a Ctrl-Z): each control character, and CR LF as one break, becomes a blank.
std::string OneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
    return EncodeWindows1252(text);
}
}  // namespace

void WritePersoFile(const std::string& fileName, const PersoTexts& texts)
{
    TTextFile file;
    file.Rewrite(fileName);
    file.WriteLn("LIGNE1=" + OneLine(texts.ligne1));
    file.WriteLn("LIGNE2=" + OneLine(texts.ligne2));
    file.WriteLn("LIGNE3=" + OneLine(texts.ligne3));
    file.WriteLn("HINT=" + OneLine(texts.hint));
    file.WriteLn("MAIL=" + OneLine(texts.mail));
    file.Close();
}

}  // namespace galimo
