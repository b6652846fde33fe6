#include "journal/reprint.h"

namespace journal {

QVector<cardlayout::CardField> reprintFields(const FieldTexts& texts, const cardlayout::FontTable& fonts,
                                             const cardlayout::CoordTable& coords)
{
    QVector<cardlayout::CardField> fields;
    for (auto it = coords.constBegin(); it != coords.constEnd(); ++it) {
        cardlayout::CardField field;
        if (!cardlayout::fieldRect(coords, it.key(), &field.rect))
            continue;
        field.key = it.key();
        field.text = texts.value(field.key);
        field.align = cardlayout::fieldAlignment(fonts, field.key);
        field.size = cardlayout::fieldSize(fonts, field.key);
        fields.append(field);
    }
    return fields;
}

} // namespace journal
