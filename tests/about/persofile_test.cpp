// The personalisation file as the about box reads it and the dialog writes it, on any
// medium: odd bytes, a read-only folder, a medium that fills up half way.
#include "../common/fakes.h"
#include "../common/replacement.h"
#include "../common/testapp.h"
#include "about/fap.h"
#include "about/fperso.h"
#include "about/persofile.h"
#include "platform/core/exceptions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace galimo;
using galimo::test::Seen;
using galimo::test::TRecordingMessageBox;
using galimo::test::TScopedReplacement;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A dialog writing into dir, with the five edits set (Edit4 is the address, Edit5 the hint).
struct Dialog {
    explicit Dialog(const QString& dir, const QStringList& texts = {"", "", "", "", ""})
    {
        dialog.StartFolderBytes = QFile::encodeName(dir) + "/";
        QLineEdit* edits[] = {dialog.Edit1, dialog.Edit2, dialog.Edit3, dialog.Edit4, dialog.Edit5};
        for (int i = 0; i < 5; ++i) edits[i]->setText(texts[i]);
        dialog.show();
    }
    QApplication& app = galimo::test::TestApp();  // before the dialog
    TFperso dialog;
};

}  // namespace

TEST(PersoRead, EachFileGivesTheBoxItsLinesHintAndAddress)
{
    galimo::test::TestApp();
    struct Row {
        const char* what;
        std::optional<QByteArray> file;  // none: no file at all
        QString l1, l2, l3, hint, mail;
        bool picture, button;
    };
    const Row rows[] = {
        {"no file", std::nullopt, "", "", "", "", "", false, true},
        {"the five keys", "LIGNE1=un\r\nLIGNE2=deux\r\nLIGNE3=trois\r\nHINT=Ecrivez-moi\r\nMAIL=moi@example.net\r\n",
         "un", "deux", "trois", "Ecrivez-moi", "moi@example.net", true, false},
        {"lower-case key, blanks and a tab", QByteArray("ligne2=  mot\t\r\n"), "", "mot", "", "", "", true, false},
        {"a leading blank or a blank before '='", " LIGNE1=x\r\nHINT =y\r\n", "", "", "", "", "", true, false},
        {"'=' in a value", "HINT=a=b = c\r\n", "", "", "", "a=b = c", "", true, false},
        {"two MAIL lines: the last wins", "MAIL=un@example.net\r\nMail=deux@example.net\r\n", "", "", "", "", "deux@example.net",
         true, false},
        {"LF-only file is one line", "LIGNE1=un\nLIGNE2=deux \n", "un\nLIGNE2=deux", "", "", "", "", true, false},
        {"lone CR ends a line, CR LF is one break", "LIGNE1=a\rLIGNE2=b\r\r\nLIGNE3=c", "a", "b", "c", "", "", true, false},
        {"Ctrl-Z ends the file", QByteArray("LIGNE1=un\x1a" "deux\r\nLIGNE2=trois\r\n"), "un", "", "", "", "", true, false},
        {"an empty file keeps the picture", "", "", "", "", "", "", true, false},
        {"one MAIL line, no break", "MAIL=moi@example.net", "", "", "", "", "moi@example.net", true, false},
        {"Windows-1252 bytes", "LIGNE3=Caf\xe9 \x80 \x9c" "uvre\r\n", "", "", QString::fromUtf8("Café € œuvre"), "", "", true,
         false},
        {"sections and comments are lines like any", "[GALIMO]\r\n;LIGNE1=non\r\nLIGNE1=oui", "oui", "", "", "", "", true, false},
        {"markup is text", "LIGNE1=<font color=red>rouge</font>\r\nLIGNE2=a<br>b\r\nHINT=<i>&<3", "<font color=red>rouge</font>",
         "a<br>b", "", "<i>&<3", "", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        if (row.file) Put(dir.filePath("galimo.ini"), *row.file);
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        TFap box;
        QDir::setCurrent(before);
        EXPECT_EQ(Seen(box.Label2->text(), box.Label2->textFormat()), row.l1);
        EXPECT_EQ(Seen(box.Label4->text(), box.Label4->textFormat()), row.l2);
        EXPECT_EQ(Seen(box.Label3->text(), box.Label3->textFormat()), row.l3);
        EXPECT_EQ(Seen(box.Image1->toolTip()), row.hint);
        EXPECT_EQ(box.MailAddress, row.mail);
        EXPECT_EQ(!box.Image1->isHidden(), row.picture);
        EXPECT_EQ(!box.Bperso->isHidden(), row.button);
    }
}

TEST(PersoRead, AnEmptyFileKeepsAHiddenPictureHiddenAndAFolderIsNoFile)
{
    galimo::test::TestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("galimo.ini"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    TFap box;
    QDir::setCurrent(before);
    EXPECT_TRUE(box.Image1->isHidden());
    EXPECT_FALSE(box.Bperso->isHidden());
    ASSERT_TRUE(QDir(dir.path()).rmdir("galimo.ini"));
    Put(dir.filePath("galimo.ini"), "");
    box.FillAboutBox();
    EXPECT_TRUE(box.Image1->isHidden());
    EXPECT_TRUE(box.Bperso->isHidden());
}

TEST(PersoWrite, FiveLinesWithCrLfEachValueAsTypedInWindows1252)
{
    QTemporaryDir dir;
    {
        Dialog d(dir.path(), {QString::fromUtf8(" Café = bar "), QString::fromUtf8("€uro œuvre"),
                              QString::fromUtf8("flèche → ici 😀"), "moi@example.net", "Ecrivez-\r\nmoi\tici\n!"});
        d.dialog.SpeedButton1->click();
        EXPECT_FALSE(d.dialog.isVisible());
    }
    EXPECT_EQ(Bytes(dir.filePath("galimo.ini")),
              QByteArray("LIGNE1= Caf\xe9 = bar \r\n"
                         "LIGNE2=\x80uro \x9cuvre\r\n"
                         "LIGNE3=fl\xe8" "che ? ici ?\r\n"
                         "HINT=Ecrivez- moi ici !\r\n"  // breaks and tabs: blanks
                         "MAIL=moi@example.net\r\n"));
    {
        Dialog d(dir.path());
        d.dialog.SpeedButton1->click();
    }
    EXPECT_EQ(Bytes(dir.filePath("galimo.ini")), QByteArray("LIGNE1=\r\nLIGNE2=\r\nLIGNE3=\r\nHINT=\r\nMAIL=\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"galimo.ini"});
}

// Root ignores permission bits: as root the check runs again in a child that has become
// "nobody", from a fresh start of this program, with the folder passed in the environment.
TEST(PersoWrite, AReadOnlyFolderShowsAccessDeniedAndChangesNothing)
{
    const auto tryWrite = [](const QString& dir) {
        TRecordingMessageBox box;
        TScopedReplacement<IMessageBox> guard(box);
        Dialog d(dir, {"a", "b", "c", "d", "e"});
        d.dialog.SpeedButton1->click();
        EXPECT_EQ(box.Texts(), std::vector<std::string>{"Accès au fichier refusé."});
        EXPECT_TRUE(d.dialog.isVisible());
    };
    if (const char* childDir = std::getenv("GALIMO_READONLY_DIR")) return tryWrite(QString::fromLocal8Bit(childDir));
    QTemporaryDir root;
    const QString dir = root.filePath("medium");
    ASSERT_TRUE(QDir().mkdir(dir));
    const QByteArray old = "LIGNE1=ancien\r\n";
    Put(dir + "/galimo.ini", old);
    ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0555), 0);
    if (::geteuid() != 0) {
        tryWrite(dir);
    } else {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("GALIMO_READONLY_DIR", QFile::encodeName(dir).constData(), 1);
            if (::setgid(65534) == 0 && ::setuid(65534) == 0)
                ::execl("/proc/self/exe", "test_about",
                        "--gtest_filter=PersoWrite.AReadOnlyFolderShowsAccessDeniedAndChangesNothing", nullptr);
            ::_exit(99);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    EXPECT_EQ(Bytes(dir + "/galimo.ini"), old);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"galimo.ini"});
    ::chmod(QFile::encodeName(dir).constData(), 0755);
}

// The medium fills up after the first line: the file size limit stands in for it, and
// it holds for root too.
TEST(PersoWrite, AWriteThatFailsHalfWayLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QByteArray old = "LIGNE1=ancien\r\nLIGNE2=texte\r\nLIGNE3=du\r\nHINT=support\r\nMAIL=a@example.net\r\n";
    Put(dir.filePath("galimo.ini"), old);
    TRecordingMessageBox box;
    TScopedReplacement<IMessageBox> guard(box);
    Dialog d(dir.path(), {"nouveau", "texte", "bien plus long que le premier", "x", "y"});
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 20;  // "LIGNE1=nouveau\r\n" and four bytes more
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    d.dialog.SpeedButton1->click();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(box.Texts().size(), 1u);
    EXPECT_EQ(box.Texts()[0].rfind("Erreur E/S ", 0), 0u) << box.Texts()[0];
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(Bytes(dir.filePath("galimo.ini")), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"galimo.ini"});
}

TEST(PersoFile, FailuresCarryTheMediumsCodesAndMessages)
{
    QTemporaryDir dir;
    struct Row {
        std::string path;
        bool write;
        int code;
        const char* message;
    };
    const Row rows[] = {
        {dir.filePath("absent.ini").toStdString(), false, 2, "Fichier introuvable"},
        {dir.filePath("absent/galimo.ini").toStdString(), true, 2, "Fichier introuvable"},
        {dir.filePath(QString(300, 'n')).toStdString(), true, 3, "Nom de fichier incorrect"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        try {
            if (row.write)
                WritePersoFile(row.path, {});
            else
                ReadPersoFile(row.path, [](const PersoEntry&) {});
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), row.code);
            EXPECT_EQ(e.Message(), row.message);
        }
    }
}

// Every input the fuzzer kept goes through its checks again: values are the file's own
// trimmed text, one entry per line (a failed check ends the program).
TEST(PersoRead, TheFuzzCorpusPassesTheHarnesssChecks)
{
    int count = 0;
    for (QDirIterator it(GALIMO_SOURCE_DIR "/fuzz/perso/corpus", QDir::Files); it.hasNext(); ++count) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    }
    EXPECT_GE(count, 3);
}
