#pragma once

class QWidget;

// Clips a frameless window to a rounded rectangle of its current size, so its
// corners are neither painted nor hit. Call it again after every resize.
void applyRoundedMask(QWidget *widget);
