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

}  // namespace

void GrowToFit(QWidget* Widget) {
    const int wanted = Widget->sizeHint().width();
    if (wanted > Widget->width()) Widget->resize(wanted, Widget->height());
}

void SetTag(QWidget* Widget, int Tag) { Widget->setProperty(kTagProperty, Tag); }

int Tag(const QWidget* Widget) { return Widget->property(kTagProperty).toInt(); }

bool SetCaption(QWidget* Widget, const QString& Caption) {
    if (auto* link = qobject_cast<TLinkLabel*>(Widget)) {
        link->SetLinkText(Caption);
        GrowToFit(link);
    } else if (auto* label = qobject_cast<QLabel*>(Widget)) {
        label->setText(Caption);
        if (label->property("AutoSize").toBool()) GrowToFit(label);
    } else if (auto* check = qobject_cast<QCheckBox*>(Widget)) {
        check->setText(Caption);
        GrowToFit(check);
    } else if (auto* button = qobject_cast<QPushButton*>(Widget)) {
        button->setText(Caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(Widget)) {
        group->setTitle(Caption);
    } else {
        return false;
    }
    return true;
}

QString DesignCaption(const char* Name) {
    return TextNamed(TLanguage::English, QString::fromLatin1(Name));
}

void ApplyCaptions(QWidget* Form, TLanguage Language) {
    if (Tag(Form) == kTranslatableTag)
        Form->setWindowTitle(TextNamed(Language, Form->objectName()));
    for (QWidget* w : Form->findChildren<QWidget*>()) {
        if (Tag(w) != kTranslatableTag) continue;
        const QString caption = TextNamed(Language, w->objectName());
        if (!caption.isEmpty()) SetCaption(w, caption);
    }
}

void ApplyHints(QWidget* Form, TLanguage Language) {
    for (QWidget* w : Form->findChildren<QWidget*>()) {
        // A hint is a text named after its control, whatever the tag.
        const QString hint = TextNamed(Language, w->objectName() + QStringLiteral("Hint"));
        if (!hint.isEmpty()) w->setToolTip(hint);
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
