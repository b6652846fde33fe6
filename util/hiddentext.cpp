#include "util/hiddentext.h"

#include <QVector>

namespace hiddentext {

namespace {

bool isHidden(uint codePoint)
{
    const QChar::Category category = QChar::category(codePoint);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

} // namespace

bool contains(const QString& text)
{
    for (const uint codePoint : text.toUcs4()) {
        if (isHidden(codePoint))
            return true;
    }
    return false;
}

QString removed(const QString& text)
{
    if (!contains(text))
        return text;
    QVector<uint> kept;
    kept.reserve(text.size());
    for (const uint codePoint : text.toUcs4()) {
        if (!isHidden(codePoint))
            kept.append(codePoint);
    }
    return QString::fromUcs4(kept.constData(), kept.size());
}

} // namespace hiddentext
