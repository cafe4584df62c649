#pragma once
// The design-time attributes the windows carry beside Qt's own: a Tag
// (99 marks a control that takes a German text) and a Hint (the German
// text, or for the QR area its tooltip). Kept as dynamic properties so that
// any widget can carry them.

#include <QString>

class QWidget;

namespace vd::app {

inline constexpr int kTranslatableTag = 99;

void SetTag(QWidget* Widget, int Tag);
int Tag(const QWidget* Widget);
void SetHint(QWidget* Widget, const QString& Hint);
QString Hint(const QWidget* Widget);

/// Widens `Widget` to its text where the design font runs wider than the
/// one the windows were drawn with; never narrows it.
void GrowToFit(QWidget* Widget);

/// German captions: the form's own when its tag is 99 (even from an empty
/// hint), and each tag-99 label, link label, button, group box or check
/// box with a non-empty hint, in the order of creation.
void ApplyHintsAsCaptions(QWidget* Form);

/// The font both windows are designed in (Tahoma 8 point, or the
/// desktop's nearest match).
void UseDesignFont(QWidget* Form);

}  // namespace vd::app
