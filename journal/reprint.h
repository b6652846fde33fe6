#ifndef REPRINT_H
#define REPRINT_H

#include "card/cardlayout.h"
#include "journal/cardregister.h"

#include <QVector>

namespace journal {

// The fields of a card printed again from the register: every field of the
// layout with a full rectangle, carrying the text the register kept for its
// key as it stands. Nothing flows again, so the new card shows the very texts
// of the one it replaces; a field the register does not keep stays empty.
QVector<cardlayout::CardField> reprintFields(const FieldTexts& texts, const cardlayout::FontTable& fonts,
                                             const cardlayout::CoordTable& coords);

} // namespace journal

#endif // REPRINT_H
