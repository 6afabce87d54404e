#include "FontSubstitution.h"

#include <QFont>
#include <QFontInfo>
#include <QStringList>

void InstallFontSubstitutions() {
  QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                             {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                              QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
                              QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic")});
  QFont::insertSubstitutions(
      QStringLiteral("ＭＳ Ｐ明朝"),
      {QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝"), QStringLiteral("IPAMincho"),
       QStringLiteral("Noto Serif CJK JP"), QStringLiteral("TakaoPMincho")});
}

QString ResolvedFontFamily(const QString& requested) {
  return QFontInfo(QFont(requested)).family();
}
