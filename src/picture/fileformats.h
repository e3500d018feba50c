// TFileFormatsList: which graphic class reads files of which extension. One per process,
// made on first use with the built-in formats; picture modules add theirs at start-up and
// take them out again at shutdown.
#pragma once

#include "picture/graphic.h"

#include <string>
#include <vector>

namespace galimo {

struct TFileFormat {
    std::string Extension;  // lower case, no dot
    const TGraphicClass* GraphicClass;
    std::string Description;
    int DescriptionId = 0;
};

class TFileFormatsList {
public:
    static TFileFormatsList& Instance();

    // Appends an entry; the extension is lower-cased on entry.
    void Add(const std::string& extension, const std::string& description, const TGraphicClass& graphicClass);
    // Removes every entry of that class.
    void Remove(const TGraphicClass& graphicClass);
    // The class of the last entry whose extension equals ext lower-cased, or nullptr.
    const TGraphicClass* FindExt(const std::string& ext) const;
    const std::vector<TFileFormat>& Entries() const { return entries; }

private:
    TFileFormatsList();
    std::vector<TFileFormat> entries;
};

// The extension of a file name as written: the text after the last "." that follows the
// last "/", "\" and ":"; empty when there is none.
std::string FileExtension(const std::string& fileName);

std::string LowerAscii(std::string s);

// Icons through Qt's icon reader; they keep their own transparency.
class TIcon : public TGraphic {
public:
    static const TGraphicClass ClassInfo;
    const TGraphicClass& Class() const override { return ClassInfo; }
    int Width() const override { return image.width(); }
    int Height() const override { return image.height(); }
    bool Empty() const override { return image.isNull(); }
    void LoadFromStream(TStream& stream) override;
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool KeepsOwnTransparency() const override { return true; }

private:
    QImage image;
    QImage scaleCache;
};

// Windows metafiles: this platform draws none, so reading one is a clear error.
class TMetafile : public TGraphic {
public:
    static const TGraphicClass ClassInfo;
    const TGraphicClass& Class() const override { return ClassInfo; }
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    bool Empty() const override { return true; }
    void LoadFromStream(TStream& stream) override;
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas&, const TRect&) override {}
    bool KeepsOwnTransparency() const override { return true; }
};

// Device-independent bitmaps read exactly as Windows bitmaps.
class TDIB;
void RegisterDIB();
void UnregisterDIB();

}  // namespace galimo
