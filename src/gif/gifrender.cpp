#include "gif/gifrender.h"

#include "gif/gifimage.h"

namespace galimo {

void TGIFImage::Draw(TCanvas&, const TRect&)
{
    if (drawing || images.Empty()) return;
}

}  // namespace galimo
