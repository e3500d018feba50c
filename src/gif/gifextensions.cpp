#include "gif/gifextensions.h"

#include <cstring>

namespace galimo {

namespace {

const TGIFExtensionClass* RefineSelf(const TGIFExtensionClass& self, TStream&) { return &self; }

// Application extensions look at the block size and the identifier to pick their class.
// Each round reads on from where the previous one stopped, so a looping extension's
// second round meets its first sub-block's size (3) and keeps its class.
const TGIFExtensionClass* RefineApplication(const TGIFExtensionClass& self, TStream& stream)
{
    const int64_t start = stream.Position();
    const int size = TryReadByte(stream);
    if (size < 0) return nullptr;
    if (size == 10) {
        uint8_t skipped[10];
        return stream.Read(skipped, 10) == 10 ? &TGIFUnknownAppExtension::ClassInfo : nullptr;
    }
    // A block longer than 11 bytes still starts with an identifier: look it up and skip
    // the rest of the block, rather than leave a class that cannot read the data. Only
    // the first round sees a block size; later rounds see sub-block sizes.
    const bool longBlock = size > 11 && &self == &TGIFApplicationExtension::ClassInfo;
    if (size == 11 || longBlock) {
        TGIFIdentifier id;
        if (stream.Read(id.data(), 11) == 11) {
            if (longBlock) stream.Skip(size - 11);
            const TGIFExtensionClass* found = FindByIdentifier(id);
            return found ? found : &TGIFUnknownAppExtension::ClassInfo;
        }
    }
    stream.SetPosition(start);
    return &self;
}

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFFrameItem* frame)
{
    return std::make_unique<T>(frame);
}

struct TExtensionList {
    std::vector<std::pair<uint8_t, const TGIFExtensionClass*>> entries;
};
struct TAppExtensionList {
    std::vector<std::pair<TGIFIdentifier, const TGIFExtensionClass*>> entries;
};

std::unique_ptr<TExtensionList>& ExtensionRegistry()
{
    static std::unique_ptr<TExtensionList> list;
    return list;
}
std::unique_ptr<TAppExtensionList>& AppExtensionRegistry()
{
    static std::unique_ptr<TAppExtensionList> list;
    return list;
}

TExtensionList& Extensions()
{
    auto& list = ExtensionRegistry();
    if (!list) {
        list = std::make_unique<TExtensionList>();
        list->entries = {{0x01, &TGIFTextExtension::ClassInfo},
                         {0xF9, &TGIFGraphicControlExtension::ClassInfo},
                         {0xFE, &TGIFCommentExtension::ClassInfo},
                         {0xFF, &TGIFApplicationExtension::ClassInfo}};
    }
    return *list;
}

TAppExtensionList& AppExtensions()
{
    auto& list = AppExtensionRegistry();
    if (!list) {
        list = std::make_unique<TAppExtensionList>();
        list->entries = {{MakeIdentifier("NETSCAPE2.0"), &TGIFAppExtNSLoop::ClassInfo},
                         {MakeIdentifier("ANIMEXTS1.0"), &TGIFAppExtNSLoop::ClassInfo}};
    }
    return *list;
}

}  // namespace

TGIFIdentifier MakeIdentifier(const char (&text)[12])
{
    TGIFIdentifier id;
    std::memcpy(id.data(), text, 11);
    return id;
}

void RegisterExtension(uint8_t label, const TGIFExtensionClass& cls) { Extensions().entries.emplace_back(label, &cls); }

void RegisterAppExtension(const TGIFIdentifier& identifier, const TGIFExtensionClass& cls)
{
    AppExtensions().entries.emplace_back(identifier, &cls);
}

const TGIFExtensionClass* FindByLabel(uint8_t label)
{
    const auto& entries = Extensions().entries;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first == label) return it->second;
    return nullptr;
}

const TGIFExtensionClass* FindByIdentifier(const TGIFIdentifier& identifier)
{
    const auto& entries = AppExtensions().entries;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first == identifier) return it->second;
    return nullptr;
}

void FreeExtensionRegistries()
{
    ExtensionRegistry().reset();
    AppExtensionRegistry().reset();
}

const TGIFExtensionClass* ResolveExtensionClass(TStream& stream)
{
    const int64_t start = stream.Position();
    const int label = TryReadByte(stream);
    const TGIFExtensionClass* cls = label < 0 ? nullptr : FindByLabel(static_cast<uint8_t>(label));
    while (cls) {
        const TGIFExtensionClass* refined = cls->RefineClass(*cls, stream);
        if (refined == cls) break;
        cls = refined;
    }
    stream.SetPosition(start);
    return cls;
}

// --- common reading -------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFFrameItem* frame) : TGIFItem(frame ? frame->Image() : nullptr), subImage(frame) {}

void TGIFExtension::LoadFromStream(TStream& stream)
{
    uint8_t head[2];
    ReadExact(stream, head, 2);
    if (head[0] != 0x21) throw GIFException("Invalid extension introducer");
    if (head[1] != ExtensionLabel()) throw GIFException("Internal error: Extension Instance does not match Extension Label");
    ReadBody(stream);
}

// --- graphic control ------------------------------------------------------------------

const TGIFExtensionClass TGIFGraphicControlExtension::ClassInfo{"TGIFGraphicControlExtension", 0xF9, RefineSelf,
                                                                Make<TGIFGraphicControlExtension>};

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFFrameItem* frame) : TGIFExtension(frame)
{
    if (frame && !frame->GraphicControl) frame->GraphicControl = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (TGIFFrameItem* frame = SubImage()) {
        if (TransparentColorFlag()) frame->HasTransparency = false;
        if (frame->GraphicControl == this) frame->GraphicControl = nullptr;
    }
}

void TGIFGraphicControlExtension::ReadBody(TStream& stream)
{
    // Read as one record: a short block leaves the bytes not read at their first values.
    uint8_t rec[6] = {BlockSize, ControlFlags, static_cast<uint8_t>(DelayTime & 0xFF), static_cast<uint8_t>(DelayTime >> 8),
                      TransparentIndex, Terminator};
    const size_t got = stream.Read(rec, 6);
    BlockSize = rec[0];
    ControlFlags = rec[1];
    DelayTime = GetLE16(rec + 2);
    TransparentIndex = rec[4];
    Terminator = rec[5];
    if (got < 6) {
        Warn(1, "Premature end of data");
    } else if (TransparentColorFlag() && SubImage()) {
        SubImage()->HasTransparency = true;
    }
}

std::unique_ptr<TGIFExtension> TGIFGraphicControlExtension::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFGraphicControlExtension>(frame);
    copy->BlockSize = BlockSize;
    copy->ControlFlags = ControlFlags;
    copy->DelayTime = DelayTime;
    copy->TransparentIndex = TransparentIndex;
    copy->Terminator = Terminator;
    return copy;
}

// --- plain text and comment ------------------------------------------------------------

const TGIFExtensionClass TGIFTextExtension::ClassInfo{"TGIFTextExtension", 0x01, RefineSelf, Make<TGIFTextExtension>};

void TGIFTextExtension::ReadBody(TStream& stream)
{
    uint8_t rec[13];
    ReadExact(stream, rec, 13);
    BlockSize = rec[0];
    GridLeft = GetLE16(rec + 1);
    GridTop = GetLE16(rec + 3);
    GridWidth = GetLE16(rec + 5);
    GridHeight = GetLE16(rec + 7);
    CellWidth = rec[9];
    CellHeight = rec[10];
    ForegroundIndex = rec[11];
    TextBackgroundIndex = rec[12];
    ReadTextBlocks(stream, Lines);
}

std::unique_ptr<TGIFExtension> TGIFTextExtension::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFTextExtension>(frame);
    copy->BlockSize = BlockSize;
    copy->GridLeft = GridLeft;
    copy->GridTop = GridTop;
    copy->GridWidth = GridWidth;
    copy->GridHeight = GridHeight;
    copy->CellWidth = CellWidth;
    copy->CellHeight = CellHeight;
    copy->ForegroundIndex = ForegroundIndex;
    copy->TextBackgroundIndex = TextBackgroundIndex;
    copy->Lines = Lines;
    return copy;
}

const TGIFExtensionClass TGIFCommentExtension::ClassInfo{"TGIFCommentExtension", 0xFE, RefineSelf,
                                                         Make<TGIFCommentExtension>};

void TGIFCommentExtension::ReadBody(TStream& stream) { ReadTextBlocks(stream, Lines); }

std::unique_ptr<TGIFExtension> TGIFCommentExtension::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFCommentExtension>(frame);
    copy->Lines = Lines;
    return copy;
}

// --- application extensions ------------------------------------------------------------

const TGIFExtensionClass TGIFApplicationExtension::ClassInfo{"TGIFApplicationExtension", 0xFF, RefineApplication,
                                                             Make<TGIFApplicationExtension>};

std::string TGIFApplicationExtension::IdentifierText() const
{
    std::string s(reinterpret_cast<const char*>(Identifier.data()), Identifier.size());
    if (const size_t zero = s.find('\0'); zero != std::string::npos) s.resize(zero);
    return s;
}

void TGIFApplicationExtension::ReadBody(TStream& stream)
{
    const uint8_t size = ReadByte(stream);
    if (size == 10) {
        ReadExact(stream, Identifier.data(), 10);
        Identifier[10] = 0;
    } else if (size < 11) {
        throw GIFException("Unsupported Application Extension block size");
    } else {
        ReadExact(stream, Identifier.data(), 11);
        stream.Skip(size - 11);
    }
    ReadData(stream);
}

// The resolver never hands this class a block it could read: sizes 0 to 9 are refused
// above, and every other size resolves to a subclass unless the data is missing.
void TGIFApplicationExtension::ReadData(TStream&) { throw GIFException("Unsupported Application Extension"); }

std::unique_ptr<TGIFExtension> TGIFApplicationExtension::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFApplicationExtension>(frame);
    copy->Identifier = Identifier;
    return copy;
}

const TGIFExtensionClass TGIFAppExtNSLoop::ClassInfo{"TGIFAppExtNSLoop", 0xFF, RefineApplication, Make<TGIFAppExtNSLoop>};

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFFrameItem* frame) : TGIFApplicationExtension(frame)
{
    Identifier = MakeIdentifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::ReadData(TStream& stream)
{
    for (;;) {
        int k = TryReadByte(stream);
        if (k <= 0) return;
        const int id = TryReadByte(stream);
        if (id < 0) return;
        --k;
        // Only the low three bits name the sub-block.
        if ((id & 7) == 1) {
            if (k < 2) throw GIFException("Invalid GIF data");
            uint8_t b[2];
            ReadExact(stream, b, 2);
            LoopCount = GetLE16(b);
            k -= 2;
        } else if ((id & 7) == 2) {
            if (k < 4) throw GIFException("Invalid GIF data");
            uint8_t b[4];
            ReadExact(stream, b, 4);
            BufferBytes = GetLE32(b);
            k -= 4;
        }
        if (k > 0) stream.Skip(k);
    }
}

std::unique_ptr<TGIFExtension> TGIFAppExtNSLoop::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFAppExtNSLoop>(frame);
    copy->Identifier = Identifier;
    copy->LoopCount = LoopCount;
    copy->BufferBytes = BufferBytes;
    return copy;
}

const TGIFExtensionClass TGIFUnknownAppExtension::ClassInfo{"TGIFUnknownAppExtension", 0xFF, RefineApplication,
                                                            Make<TGIFUnknownAppExtension>};

void TGIFUnknownAppExtension::ReadData(TStream& stream)
{
    RawBlocks.clear();
    for (;;) {
        const int k = TryReadByte(stream);
        if (k <= 0) return;
        TGIFBlock block;
        block.Size = static_cast<uint8_t>(k);
        block.Data.resize(static_cast<size_t>(k));
        ReadExact(stream, block.Data.data(), block.Data.size());
        RawBlocks.push_back(std::move(block));
    }
}

std::unique_ptr<TGIFExtension> TGIFUnknownAppExtension::Clone(TGIFFrameItem* frame) const
{
    auto copy = std::make_unique<TGIFUnknownAppExtension>(frame);
    copy->Identifier = Identifier;
    copy->RawBlocks = RawBlocks;
    return copy;
}

}  // namespace galimo
