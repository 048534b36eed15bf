#pragma once
// The status value a meter sends with each reading is a set of bit fields whose meaning depends
// on the meter model. These functions turn a value into the lines of text the status window shows.
#include <QString>
#include <QStringList>

namespace tk::reader {

// The models in the order of the status window's list; the rest of the program passes the index.
inline constexpr int kStatusModelCount = 7;

// The model's name in the list; empty for an index outside 0 .. kStatusModelCount - 1.
QString statusModelName(int model);
QStringList statusModelNames();

// The largest status value of the model: 65535 for the one 16-bit model, 255 for the others and
// for an index outside the list (a status is a byte unless the model says otherwise).
int statusLargestValue(int model);

// The lines of the model's rules for the value, in order. Total: any value is decoded by the same
// rules bit by bit (two's complement for negatives); a model outside the list gives no lines.
QStringList statusLines(int model, int value);

// A cell or field text read as a status value: a decimal integer (surrounding blanks allowed),
// 0 for anything else, a blank included.
int statusValueOf(const QString& text);

} // namespace tk::reader
