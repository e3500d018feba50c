#include "picture/fileformats.h"

#include "picture/bitmap.h"
#include "platform/core/exceptions.h"

#include <QBuffer>
#include <QImageReader>

namespace galimo {

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

TFileFormatsList& TFileFormatsList::Instance()
{
    static TFileFormatsList list;
    return list;
}

TFileFormatsList::TFileFormatsList()
{
    Add("wmf", "MétaFichiers", TMetafile::ClassInfo);
    Add("emf", "MétaFichiers évolués", TMetafile::ClassInfo);
    Add("ico", "Icônes", TIcon::ClassInfo);
    Add("bmp", "Bitmaps", TBitmap::ClassInfo);
}

void TFileFormatsList::Add(const std::string& extension, const std::string& description, const TGraphicClass& graphicClass)
{
    entries.push_back({LowerAscii(extension), &graphicClass, description, 0});
}

void TFileFormatsList::Remove(const TGraphicClass& graphicClass)
{
    std::erase_if(entries, [&](const TFileFormat& f) { return f.GraphicClass == &graphicClass; });
}

const TGraphicClass* TFileFormatsList::FindExt(const std::string& ext) const
{
    const std::string lower = LowerAscii(ext);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->Extension == lower) return it->GraphicClass;
    return nullptr;
}

std::string FileExtension(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    const size_t sep = fileName.find_last_of("/\\:");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return {};
    return fileName.substr(dot + 1);
}

// --- icons and metafiles -------------------------------------------------------------

const TGraphicClass TIcon::ClassInfo{"TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); }};
const TGraphicClass TMetafile::ClassInfo{"TMetafile", [] { return std::unique_ptr<TGraphic>(new TMetafile); }};

void TIcon::LoadFromStream(TStream& stream)
{
    QByteArray bytes(static_cast<qsizetype>(stream.Remaining()), Qt::Uninitialized);
    bytes.resize(static_cast<qsizetype>(stream.Read(bytes.data(), static_cast<size_t>(bytes.size()))));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ICO");
    QImage read;
    if (!reader.read(&read) || read.isNull()) throw EInvalidGraphic("Icône incorrecte");
    image = read.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    scaleCache = QImage();
    Changed();
}

void TIcon::Assign(const TGraphic& source)
{
    const auto* other = dynamic_cast<const TIcon*>(&source);
    if (!other) throw EInvalidGraphicOperation("Impossible d'affecter un " + std::string(source.Class().Name) + " à un TIcon");
    image = other->image.copy();
    scaleCache = QImage();
    Changed();
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) { canvas.StretchImage(rect, image, &scaleCache); }

void TMetafile::LoadFromStream(TStream&)
{
    throw EInvalidGraphic("Les métafichiers ne peuvent pas être affichés sur ce système");
}

void TMetafile::Assign(const TGraphic& source)
{
    if (!dynamic_cast<const TMetafile*>(&source))
        throw EInvalidGraphicOperation("Impossible d'affecter un " + std::string(source.Class().Name) + " à un TMetafile");
}

// --- device-independent bitmaps --------------------------------------------------------

class TDIB : public TBitmap {
public:
    static const TGraphicClass ClassInfo;
    const TGraphicClass& Class() const override { return ClassInfo; }
    // Files under this extension are often packed DIBs, with no file header.
    void LoadFromStream(TStream& stream) override { LoadBitmap(stream, true); }
};
const TGraphicClass TDIB::ClassInfo{"TDIB", [] { return std::unique_ptr<TGraphic>(new TDIB); }};

void RegisterDIB() { TFileFormatsList::Instance().Add("dib", "Device Independent Bitmap", TDIB::ClassInfo); }
void UnregisterDIB() { TFileFormatsList::Instance().Remove(TDIB::ClassInfo); }

}  // namespace galimo
