// The extension blocks that precede a frame, the two registries that pick their classes
// (label byte; application identifier), and the raw data sub-block.
#pragma once

#include "gif/gifbase.h"

#include <array>

namespace galimo {

class TGIFExtension;
class TGIFGraphicControlExtension;

// A frame as its extensions see it: the first graphic control extension made for it
// governs it and says whether it has a transparent colour (gifsubimage.h: the frame).
class TGIFFrameItem : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    bool HasTransparency = false;
    TGIFGraphicControlExtension* GraphicControl = nullptr;
};

// A class reference for extensions: what the registries store and what a frame's reader
// instantiates. RefineClass reads on from the stream to pick a more precise class.
struct TGIFExtensionClass {
    const char* Name;
    uint8_t Label;
    const TGIFExtensionClass* (*RefineClass)(const TGIFExtensionClass& self, TStream& stream);
    std::unique_ptr<TGIFExtension> (*Create)(TGIFFrameItem* frame);
};

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFFrameItem* frame);
    TGIFFrameItem* SubImage() const { return subImage; }
    virtual const TGIFExtensionClass& Class() const = 0;
    virtual uint8_t ExtensionLabel() const = 0;
    // Reads the block from its introducer on.
    void LoadFromStream(TStream& stream) override;
    // An independent copy owned by another frame.
    virtual std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const = 0;

protected:
    virtual void ReadBody(TStream& stream) = 0;

private:
    TGIFFrameItem* subImage;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    // The first one made for a frame becomes its GraphicControl.
    explicit TGIFGraphicControlExtension(TGIFFrameItem* frame);
    ~TGIFGraphicControlExtension() override;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    uint8_t ExtensionLabel() const override { return 0xF9; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    uint8_t BlockSize = 4;
    uint8_t ControlFlags = 0;
    uint16_t DelayTime = 0;
    uint8_t TransparentIndex = 0;
    uint8_t Terminator = 0;

    bool TransparentColorFlag() const { return ControlFlags & 0x01; }
    bool UserInputFlag() const { return ControlFlags & 0x02; }
    int DisposalMethod() const { return (ControlFlags >> 2) & 7; }

protected:
    void ReadBody(TStream& stream) override;
};

class TGIFTextExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    uint8_t ExtensionLabel() const override { return 0x01; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    uint8_t BlockSize = 12;
    uint16_t GridLeft = 0, GridTop = 0, GridWidth = 0, GridHeight = 0;
    uint8_t CellWidth = 0, CellHeight = 0, ForegroundIndex = 0, TextBackgroundIndex = 0;
    std::vector<std::string> Lines;

protected:
    void ReadBody(TStream& stream) override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    uint8_t ExtensionLabel() const override { return 0xFE; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    std::vector<std::string> Lines;

protected:
    void ReadBody(TStream& stream) override;
};

using TGIFIdentifier = std::array<uint8_t, 11>;
TGIFIdentifier MakeIdentifier(const char (&text)[12]);

// Label 0xFF. Its own class only ever reaches the reader for block sizes it refuses; the
// two subclasses read the data sub-blocks.
class TGIFApplicationExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    uint8_t ExtensionLabel() const override { return 0xFF; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    TGIFIdentifier Identifier{};
    std::string IdentifierText() const;

protected:
    void ReadBody(TStream& stream) override;
    virtual void ReadData(TStream& stream);
};

// The looping extension ("NETSCAPE2.0", "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    explicit TGIFAppExtNSLoop(TGIFFrameItem* frame);
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    uint16_t LoopCount = 0;
    uint32_t BufferBytes = 0;

protected:
    void ReadData(TStream& stream) override;
};

// One raw data sub-block: its length byte and that many bytes.
struct TGIFBlock {
    uint8_t Size = 0;
    std::vector<uint8_t> Data;
};

// Any other application extension, kept as raw sub-blocks.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFApplicationExtension::TGIFApplicationExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }
    std::unique_ptr<TGIFExtension> Clone(TGIFFrameItem* frame) const override;

    std::vector<TGIFBlock> RawBlocks;

protected:
    void ReadData(TStream& stream) override;
};

// Registries, made on first use. Lookups search from the last registration to the first.
void RegisterExtension(uint8_t label, const TGIFExtensionClass& cls);
void RegisterAppExtension(const TGIFIdentifier& identifier, const TGIFExtensionClass& cls);
const TGIFExtensionClass* FindByLabel(uint8_t label);
const TGIFExtensionClass* FindByIdentifier(const TGIFIdentifier& identifier);
// Frees both registries (module shutdown); the next lookup makes them again.
void FreeExtensionRegistries();

// With the stream just after an introducer: the class that reads the block, or nullptr.
// The stream is back where it was afterwards.
const TGIFExtensionClass* ResolveExtensionClass(TStream& stream);

}  // namespace galimo
