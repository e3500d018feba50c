#include "platform/widgets/formprops.h"

#include "platform/widgets/scrollbox.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QString>
#include <QStyledItemDelegate>
#include <QVariant>
#include <QWidget>

namespace galimo {

void InstallFontSubstitutions()
{
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QFont::insertSubstitution("Arial", "Liberation Sans");
    QFont::insertSubstitution("Times New Roman", "Liberation Serif");
    // A decorative family the about box names; any sans face stands in for it.
    QFont::insertSubstitution("Baide", "Liberation Sans");
}

QString PlainHint(const QString& text)
{
    if (text.isEmpty()) return text;  // no hint at all
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

QImage GlyphWithColourKey(const QImage& glyph)
{
    if (glyph.isNull()) return glyph;
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF)) line[x] = 0;
    }
    return out;
}

namespace {
// Rows of one fixed height, whatever the font would ask for.
class FixedRowHeight : public QStyledItemDelegate {
public:
    FixedRowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height};
    }

private:
    int height;
};

void ApplyOne(QWidget* w)
{
    if (auto* list = qobject_cast<QListView*>(w)) {
        if (const QVariant h = w->property("itemHeight"); h.isValid()) {
            list->setItemDelegate(new FixedRowHeight(h.toInt(), list));
            list->setUniformItemSizes(true);
        }
    }
    if (const QVariant px = w->property("fontPixelHeight"); px.isValid()) {
        QFont f = w->font();
        f.setPixelSize(px.toInt());
        w->setFont(f);
    }
    if (const QVariant c = w->property("fontColor"); c.isValid()) {
        QPalette p = w->palette();
        const QColor colour = c.value<QColor>();
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::ButtonText, colour);
        p.setColor(QPalette::Text, colour);
        w->setPalette(p);
    }
    if (const QVariant c = w->property("formColor"); c.isValid()) {
        QWidget* target = w;
        if (auto* box = qobject_cast<TScrollBox*>(w)) target = box->viewport();
        QPalette p = target->palette();
        p.setColor(QPalette::Window, c.value<QColor>());
        p.setColor(QPalette::Base, c.value<QColor>());  // scroll areas paint their viewport with Base
        target->setPalette(p);
        target->setAutoFillBackground(true);
    }
    if (const QVariant g = w->property("glyph"); g.isValid()) {
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QImage glyph(g.toString());
            if (!glyph.isNull()) {
                button->setIcon(QIcon(QPixmap::fromImage(GlyphWithColourKey(glyph))));
                button->setIconSize(glyph.size());
            }
        }
    }
}
}  // namespace

void ApplyFormProperties(QWidget* form)
{
    ApplyOne(form);
    for (QWidget* w : form->findChildren<QWidget*>()) ApplyOne(w);
}

}  // namespace galimo
