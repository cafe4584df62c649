#pragma once
// Design-time properties the windows keep from their designer: a Tag
// (99 marks a control whose caption follows the interface language), the
// design font, and captions taken from the text table.

#include <QString>

#include "app/core/Language.h"

class QWidget;

namespace vd::app {

inline constexpr int kTranslatableTag = 99;

void SetTag(QWidget* Widget, int Tag);
int Tag(const QWidget* Widget);

/// Widens `Widget` to its text where the design font runs wider than the
/// one the windows were drawn with; never narrows it.
void GrowToFit(QWidget* Widget);

/// The caption of `Widget` (a label, link label, button, group box or check
/// box) := `Caption`; false for any other kind of widget.
bool SetCaption(QWidget* Widget, const QString& Caption);

/// The designed (English) caption of the control named `Name`.
QString DesignCaption(const char* Name);

/// Captions in `Language`: the form's own title when its tag is 99, and
/// each tag-99 label, link label, button, group box or check box, in the
/// order of creation, from the text table by object name. The forms are
/// designed in English, so English needs none.
void ApplyCaptions(QWidget* Form, TLanguage Language);

/// Hints in `Language`, English too: a control whose object name + "Hint"
/// names a text gets that text as its tooltip. The design has none.
void ApplyHints(QWidget* Form, TLanguage Language);

/// The font both windows are designed in (Tahoma 8 point, or the
/// desktop's nearest match).
void UseDesignFont(QWidget* Form);

}  // namespace vd::app
