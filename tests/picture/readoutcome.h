// The outcome of reading one untrusted file, checked whole, for every test that loops over
// files: either a picture with a size of its own that draws as a thumbnail does, or the
// reader's own failure with one of the reader's messages. A reader that threw nothing and
// loaded nothing fails it; so does one that failed with a message of no reader's.
#pragma once

#include "picture/bitmap.h"
#include "platform/files/stream.h"

#include <QSize>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace galimo::test {

// A message ending in '*' stands for every message that begins with what precedes it.
inline bool OneOf(const std::string& message, const std::vector<std::string>& messages)
{
    for (const std::string& m : messages) {
        if (!m.empty() && m.back() == '*' ? message.rfind(m.substr(0, m.size() - 1), 0) == 0 : message == m) return true;
    }
    return false;
}

// Reads `bytes` into a new Graphic and draws it into a 120 x 120 bitmap. An empty input may
// give an empty picture; `expected`, when valid, is the size the picture must have.
template <class Graphic, class Failure>
void ExpectPictureOrReadersFailure(const std::vector<uint8_t>& bytes, const std::vector<std::string>& messages,
                                   const std::string& name, QSize expected = {})
{
    Graphic graphic;
    try {
        TMemoryStream stream(bytes.data(), bytes.size());
        graphic.LoadFromStream(stream);
        if (graphic.Empty()) {
            EXPECT_TRUE(bytes.empty()) << name << ": " << bytes.size() << " bytes gave no picture and no failure";
            return;
        }
        EXPECT_GT(graphic.Width(), 0) << name;
        EXPECT_GT(graphic.Height(), 0) << name;
        if (expected.isValid()) {
            EXPECT_EQ(QSize(graphic.Width(), graphic.Height()), expected) << name;
        }
        TBitmap thumbnail(120, 120, TPixelFormat::pf24bit);
        thumbnail.Canvas().StretchDraw({0, 0, 120, 120}, &graphic);
    } catch (const Failure& e) {
        EXPECT_TRUE(OneOf(e.what(), messages)) << name << ": \"" << e.what() << "\" is none of the reader's messages";
    }
}

}  // namespace galimo::test
