#pragma once

class QLineEdit;
class QToolButton;
class QWidget;

// The eye button that shows or hides a password field's text.
namespace PasswordEye {

// A 24 x 24 transparent tool button with the hidden-password icon, a child of
// the field's wrapper; it takes no keyboard focus.
QToolButton *createPasswordEyeButton(QWidget *wrapper);

// Hidden becomes shown and anything else hidden, with the icon to match.
void togglePasswordVisibility(QLineEdit *edit, QToolButton *eye);

// Back to hidden, the state of a new or reset field.
void hidePassword(QLineEdit *edit, QToolButton *eye);

// Empties a password field and hides it. The cleared text is not kept in
// the edit's undo history, so no undo brings it back.
void clearPassword(QLineEdit *edit, QToolButton *eye);

// Lays a wrapper out: the edit fills it, the eye sits `rightInset` px from the
// right edge, centred vertically, above the edit.
void placeInWrapper(QWidget *wrapper, QLineEdit *edit, QToolButton *eye, int rightInset);

} // namespace PasswordEye
