#include "viewer_font.h"

#include <QString>
#include <QStringList>

namespace chatscope {

QFont ViewerFont() {
    QFont font;
    font.setFamilies({QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

}  // namespace chatscope
