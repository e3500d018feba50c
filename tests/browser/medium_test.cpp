// A medium as people carry it: every kind of entry a Linux root may hold, names that differ
// only in case, names that are not UTF-8, files the user may not read.
#include "../common/mainwindowfixture.h"
#include "about/fap.h"
#include "about/fperso.h"
#include "browser/depart.h"
#include "picture/image.h"
#include "platform/widgets/filelistbox.h"

#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace galimo;

namespace {

class MediumTest : public galimo::test::MainWindowFixture {
protected:
    // Names that are not UTF-8 are beyond what QTemporaryDir can remove: done by bytes.
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        ::nftw(QFile::encodeName(medium.path()).constData(),
               [](const char* path, const struct stat*, int, FTW*) { return ::remove(path); }, 16, FTW_DEPTH | FTW_PHYS);
    }
    // A path of the medium from the bytes of a name, as a file system without UTF-8 has it.
    QByteArray At(const QByteArray& name) const { return QFile::encodeName(medium.path()) + '/' + name; }
    void Folder(const QByteArray& name) { ASSERT_EQ(::mkdir(At(name), 0755), 0) << name.constData(); }
    void Bmp(const QByteArray& name, int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        QFile f;  // opened on a descriptor: QFile would re-encode the name
        const int fd = ::open(At(name), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ASSERT_TRUE(f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        ASSERT_TRUE(img.save(&f, "BMP"));
    }
    int Row(const QString& text) const
    {
        for (int i = 0; i < window->DL->count(); ++i)
            if (window->DL->item(i)->text() == text) return i;
        return -1;
    }
    std::set<QString> Albums() const
    {
        std::set<QString> out;
        for (int i = 0; i < window->DL->count(); ++i) out.insert(window->DL->item(i)->text());
        return out;
    }
};

enum class Kind { Folder, LinkToFolder, DanglingLink, Fifo, Socket, Device, File };

TEST_F(MediumTest, OnlyFoldersAreAlbumsAndCaseTwinsEachShowTheirOwnPictures)
{
    const struct {
        const char* name;
        Kind kind;
    } entries[] = {
        {"Vacances", Kind::Folder},   {"vacances", Kind::Folder}, {"lien", Kind::LinkToFolder},
        {"mort", Kind::DanglingLink}, {"tube", Kind::Fifo},       {"prise", Kind::Socket},
        {"null", Kind::Device},       {"notes.txt", Kind::File},
    };
    for (const auto& e : entries) {
        const QByteArray path = At(e.name);
        switch (e.kind) {
        case Kind::Folder: Folder(e.name); break;
        case Kind::LinkToFolder: ASSERT_EQ(::symlink("Vacances", path), 0); break;
        case Kind::DanglingLink: ASSERT_EQ(::symlink("nowhere", path), 0); break;
        case Kind::Fifo: ASSERT_EQ(::mkfifo(path, 0644), 0); break;
        case Kind::Socket: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            ASSERT_LT(static_cast<size_t>(path.size()), sizeof addr.sun_path);
            std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
            ::close(fd);
            break;
        }
        case Kind::Device:  // a real node where we may make one, a link to one elsewhere
            if (::mknod(path, S_IFCHR | 0644, makedev(1, 3)) != 0) {
                ASSERT_EQ(::symlink("/dev/null", path), 0);
            }
            break;
        case Kind::File: Bmp(e.name, 10, 10); break;
        }
    }
    Bmp("Vacances/a.bmp", 300, 200);
    Bmp("vacances/B.bmp", 200, 300);
    ASSERT_EQ(::symlink("../Vacances/a.bmp", At("vacances/lien.bmp")), 0);  // a link to a file is a file
    ASSERT_EQ(::mkfifo(At("vacances/tube.jpg"), 0644), 0);                 // opening it would wait forever
    ASSERT_EQ(::symlink("nowhere.gif", At("vacances/mort.gif")), 0);
    Start();
    ShowAndPaint();
    EXPECT_EQ(Albums(), (std::set<QString>{"Vacances", "vacances", "lien"}));

    const struct {
        const char* album;
        QStringList files;
        int width;
    } opened[] = {
        {"Vacances", {"a.bmp"}, 300},
        {"vacances", {"B.bmp", "lien.bmp"}, 200},
        {"Vacances", {"a.bmp"}, 300},
        {"lien", {"a.bmp"}, 300},
    };
    for (const auto& o : opened) {
        SCOPED_TRACE(o.album);
        ASSERT_GE(Row(o.album), 0);
        if (window->DL->currentRow() == Row(o.album)) window->DL->setCurrentRow(-1);
        window->DL->setCurrentRow(Row(o.album));
        Filled();
        EXPECT_EQ(window->FL->Items(), o.files);
        EXPECT_EQ(window->Thumbnails().size(), static_cast<size_t>(o.files.size()));
        EXPECT_EQ(window->NaturalWidth(), o.width);
    }
    EXPECT_TRUE(box.Texts().empty());
}

TEST_F(MediumTest, NamesInAWesternCodePageAreListedShownAndOpened)
{
    Folder("\xC9t\xE9 1998");  // "Été 1998" as an old Western medium writes it
    Bmp("\xC9t\xE9 1998/Fran\xE7ois.bmp", 300, 200);
    Bmp("\xC9t\xE9 1998/caf\xC3\xA9 \xE9.bmp", 200, 300);  // UTF-8 and a stray Western byte
    Bmp("\xC9t\xE9 1998/caf\xC3\xA9 e.bmp", 210, 300);     // the same name but for that byte
    Folder("No\xC3\xABl");
    Start();
    ShowAndPaint();
    EXPECT_EQ(Albums(), (std::set<QString>{"Été 1998", "Noël"}));
    window->DL->setCurrentRow(Row("Été 1998"));
    Filled();
    EXPECT_EQ(window->FL->Items(), (QStringList{"café e.bmp", "café é.bmp", "François.bmp"}));
    ASSERT_EQ(window->Thumbnails().size(), 3u);
    EXPECT_EQ(window->NaturalWidth(), 210);
    for (const auto& [n, width] : {std::pair{1, 200}, std::pair{2, 300}}) {
        QTest::mouseClick(Thumb(n), Qt::LeftButton);
        EXPECT_EQ(window->NaturalWidth(), width) << n;
    }
    TFperso perso;  // started in that folder, as the about box
    perso.Edit1->setText("un");
    perso.SpeedButton1->click();
    EXPECT_EQ(TFap().Label2->text(), "un");
    EXPECT_TRUE(box.Texts().empty());
}

// Root reads whatever the permission bits say: the test reads as "nobody" would, by
// taking nobody's effective user id for the album's opening (the saved id gives root back).
class AsNobody {
public:
    AsNobody()
    {
        if (::geteuid() != 0) return;
        const passwd* pw = ::getpwnam("nobody");
        ok = pw && ::setresuid(static_cast<uid_t>(-1), pw->pw_uid, static_cast<uid_t>(-1)) == 0;
    }
    ~AsNobody()
    {
        if (ok) {
            EXPECT_EQ(::setresuid(static_cast<uid_t>(-1), 0, static_cast<uid_t>(-1)), 0);
        }
    }
    bool Usable() const { return ok || ::geteuid() != 0; }

private:
    bool ok = false;
};

TEST_F(MediumTest, AFileTheUserMayNotReadIsListedAndKeepsItsPlaceWithTheMessage)
{
    ASSERT_EQ(::chmod(QFile::encodeName(medium.path()), 0755), 0);
    Folder("Rayé");
    for (const char* name : {"Rayé/1.bmp", "Rayé/2.bmp", "Rayé/3.bmp"}) Bmp(name, 300, 200);
    ASSERT_EQ(::chmod(At("Rayé/2.bmp"), 0), 0);
    Start();
    {
        AsNobody nobody;
        ASSERT_TRUE(nobody.Usable());
        ShowAndPaint();
    }
    EXPECT_EQ(window->FL->Items(), (QStringList{"1.bmp", "2.bmp", "3.bmp"}));
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Impossible d'ouvrir le fichier 2.bmp."}));
    ASSERT_EQ(window->Thumbnails().size(), 3u);
    EXPECT_EQ(Thumb(1)->geometry(), QRect(1, 130, 120, 120));
    EXPECT_EQ(window->NaturalWidth(), 300);
}

TEST_F(MediumTest, AClickOnTheOpenAlbumRebuildsTheStripFromTheListAsItIs)
{
    Folder("A");
    Bmp("A/1.bmp", 300, 200);
    Start();
    ShowAndPaint();
    ASSERT_EQ(window->Thumbnails().size(), 1u);
    QPointer<TImage> before = Thumb(0);
    Bmp("A/2.bmp", 300, 200);  // the folder is not read again for the same album
    const QRect row = window->DL->visualItemRect(window->DL->item(0));
    QTest::mouseClick(window->DL->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_TRUE(before.isNull());
    Filled();
    EXPECT_EQ(window->Thumbnails().size(), 1u);
    EXPECT_EQ(window->DL->visualItemRect(window->DL->item(0)).height(), 13);
}

}  // namespace
