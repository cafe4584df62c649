#include "app/gui/Designer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "app/gui/LinkLabel.h"

namespace vd::app {
namespace {

constexpr const char* kTagProperty = "Tag";
constexpr const char* kHintProperty = "Hint";

// Sets the caption of a translatable kind; false for any other kind.
bool SetCaptionOfKind(QWidget* W, const QString& Caption) {
    if (auto* link = qobject_cast<TLinkLabel*>(W)) {
        link->setText(Caption);
        GrowToFit(link);
    } else if (auto* label = qobject_cast<QLabel*>(W)) {
        label->setText(Caption);
        if (label->property("AutoSize").toBool()) GrowToFit(label);
    } else if (auto* check = qobject_cast<QCheckBox*>(W)) {
        check->setText(Caption);
        GrowToFit(check);
    } else if (auto* button = qobject_cast<QPushButton*>(W)) {
        button->setText(Caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(W)) {
        group->setTitle(Caption);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void GrowToFit(QWidget* Widget) {
    const int wanted = Widget->sizeHint().width();
    if (wanted > Widget->width()) Widget->resize(wanted, Widget->height());
}

void SetTag(QWidget* Widget, int Tag) { Widget->setProperty(kTagProperty, Tag); }

int Tag(const QWidget* Widget) { return Widget->property(kTagProperty).toInt(); }

void SetHint(QWidget* Widget, const QString& Hint) { Widget->setProperty(kHintProperty, Hint); }

QString Hint(const QWidget* Widget) { return Widget->property(kHintProperty).toString(); }

void ApplyHintsAsCaptions(QWidget* Form) {
    if (Tag(Form) == kTranslatableTag) Form->setWindowTitle(Hint(Form));
    for (QWidget* w : Form->findChildren<QWidget*>()) {
        if (Tag(w) == kTranslatableTag && !Hint(w).isEmpty()) SetCaptionOfKind(w, Hint(w));
    }
}

void UseDesignFont(QWidget* Form) {
    // Tahoma is rarely installed on Linux; Liberation Sans has Arial's
    // metrics, which come closest to it, so the designed sizes still fit.
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    Form->setFont(font);
}

}  // namespace vd::app
