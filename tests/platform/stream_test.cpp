#include "platform/core/exceptions.h"
#include "platform/files/stream.h"

#include <gtest/gtest.h>

using namespace galimo;

TEST(Streams, MemoryStreamReadsClampsAndWrites)
{
    TMemoryStream s(std::vector<uint8_t>{1, 2, 3, 4, 5});
    uint8_t buf[8] = {};
    EXPECT_EQ(s.Read(buf, 3), 3u);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.Read(buf, 8), 2u);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(s.Read(buf, 8), 0u);
    s.SetPosition(-4);
    EXPECT_EQ(s.Position(), 0);
    s.SetPosition(99);
    EXPECT_EQ(s.Position(), 5);
    const uint8_t more[] = {9, 9};
    s.Write(more, 2);
    EXPECT_EQ(s.Size(), 7);
}

TEST(Streams, FileStreamNamesTheFileItCannotOpen)
{
    try {
        TFileStream s("/nonexistent/x.bmp");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Impossible d'ouvrir le fichier /nonexistent/x.bmp");
    }
    EXPECT_THROW(TFileStream("/tmp"), EFOpenError);  // a folder is no file
}
