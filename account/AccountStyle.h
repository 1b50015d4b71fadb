#pragma once

#include <QString>

class QLineEdit;

// Looks shared by the account screens: the font family list and the purple
// gradient of their buttons.
namespace AccountStyle {

// "'Microsoft YaHei UI', 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif"
const QString &fontFamilies();

// Gradient background values ("qlineargradient(...)") from left to right.
QString horizontalGradient(const char *from, const char *to);

// The accent gradient and its hover and pressed variants as one push-button
// style; `extra` is appended inside the normal state's block.
QString gradientButtonStyle(const char *hoverFrom, const char *hoverTo, const char *pressedFrom,
                            const char *pressedTo, const QString &extra);

// The look of an edit in the password, e-mail and phone dialogs: grey
// placeholder, white text, a purple frame while focused. `paddingRight`
// leaves room for a button inside the field.
void styleDialogEdit(QLineEdit *edit, int paddingRight);

} // namespace AccountStyle
