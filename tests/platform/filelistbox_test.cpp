#include "platform/core/exceptions.h"
#include "platform/widgets/filelistbox.h"
#include "../common/testapp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace galimo;

namespace {
QApplication& App() { return galimo::test::TestApp(); }
}  // namespace

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        saved = QDir::currentPath();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { QDir::setCurrent(saved); }
    void Touch(const QString& name)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QTemporaryDir dir;
    QString saved;
};

TEST_F(FileListTest, ListsOrdinaryMatchingFilesSortedWithoutRegardToCase)
{
    Touch("b.JPG");
    Touch("A.gif");
    Touch("c.bmp");
    Touch("d.png");
    Touch(".hidden.bmp");
    Touch("noext");
    QDir(dir.path()).mkdir("folder.bmp");
    TFileListBox list;
    list.SetMask("*.BMP;*.GIF;*.JPG");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Items(), (QStringList{"A.gif", "b.JPG", "c.bmp"}));
    // The process's current folder follows the list.
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    EXPECT_TRUE(QFile::exists("c.bmp"));
}

TEST_F(FileListTest, TheSameFolderIsNotReadAgain)
{
    Touch("a.bmp");
    TFileListBox list;
    list.SetMask("*.BMP");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Count(), 1);
    Touch("b.bmp");
    list.SetDirectory(dir.path());
    EXPECT_EQ(list.Count(), 1);
    list.Refill();
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(FileListTest, AFolderThatCannotBeEnteredIsAnInputOutputError)
{
    TFileListBox list;
    try {
        list.SetDirectory(dir.filePath("missing"));
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), "Fichier introuvable");
    }
}

// What a name of bytes shows as: UTF-8 where it is well formed, Windows-1252 elsewhere.
