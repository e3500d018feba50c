#include "picture/picture.h"

#include "picture/bitmap.h"
#include "picture/fileformats.h"
#include "platform/core/exceptions.h"

namespace galimo {

void TPicture::LoadFromFile(const std::string& fileName)
{
    const std::string ext = FileExtension(fileName);
    const TGraphicClass* cls = TFileFormatsList::Instance().FindExt(ext);
    if (!cls) throw EInvalidGraphic("Extension de fichier graphique inconnue (." + ext + ")");
    std::unique_ptr<TGraphic> fresh = cls->Create();
    fresh->OnProgress = [this](ProgressStage s, int p, bool r) {
        if (OnProgress) OnProgress(s, p, r);
    };
    {
        TFileStream stream(fileName);
        fresh->LoadFromStream(stream);
    }  // on any exception the new graphic is freed and ours stays
    SetGraphic(std::move(fresh));
}

void TPicture::Assign(const TPicture* source) { Assign(source ? source->Graphic() : nullptr); }

void TPicture::Assign(const TGraphic* source)
{
    std::unique_ptr<TGraphic> copy;
    if (source) {
        copy = source->Class().Create();
        copy->Assign(*source);
    }
    SetGraphic(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> value)
{
    graphic = std::move(value);
    if (graphic) {
        graphic->OnChange = [this] { Changed(); };
        graphic->OnProgress = [this](ProgressStage s, int p, bool r) {
            if (OnProgress) OnProgress(s, p, r);
        };
    }
    Changed();
}

int TPicture::Width() const { return graphic ? graphic->Width() : 0; }
int TPicture::Height() const { return graphic ? graphic->Height() : 0; }

TBitmap& TPicture::Bitmap()
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic.get())) return *bitmap;
    SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic);
}

}  // namespace galimo
