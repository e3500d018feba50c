// Applies the form descriptions' own properties that Qt has no property for: character
// heights in pixels, text and background colours, button glyphs. Also maps the form's
// font families to the free families installed with the program.
#pragma once

class QWidget;
class QImage;
class QString;

namespace galimo {

// "MS Sans Serif" and "Arial" to Liberation Sans, "Times New Roman" to Liberation Serif.
void InstallFontSubstitutions();

// Walks the form and its children: fontPixelHeight, fontColor, formColor, glyph.
void ApplyFormProperties(QWidget* form);

// A glyph bitmap whose bottom-left pixel colour becomes transparent, as button glyphs are
// drawn.
QImage GlyphWithColourKey(const QImage& glyph);

// A hint that shows the text as typed: Qt reads a hint that looks like markup as markup,
// so the text goes in escaped, as markup that says it.
QString PlainHint(const QString& text);

}  // namespace galimo
