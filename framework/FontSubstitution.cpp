#include "FontSubstitution.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

void InstallFontSubstitutions() {
  QFont::insertSubstitutions(
      QStringLiteral("ＭＳ Ｐゴシック"),
      {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"), QStringLiteral("IPAGothic"),
       QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
       QStringLiteral("TakaoPGothic"), QStringLiteral("MS PGothic"), QStringLiteral("Meiryo"),
       QStringLiteral("Yu Gothic"), QStringLiteral("MS Gothic")});
  QFont::insertSubstitutions(
      QStringLiteral("ＭＳ Ｐ明朝"),
      {QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝"), QStringLiteral("IPAMincho"),
       QStringLiteral("Noto Serif CJK JP"), QStringLiteral("TakaoPMincho"),
       QStringLiteral("MS PMincho"), QStringLiteral("Yu Mincho"), QStringLiteral("MS Mincho")});
}

QString InstalledFamily(const QString& requested) {
  // Qt keeps substitutes in lower case; the name is given as the font system spells it.
  const QStringList families = QFontDatabase::families();
  auto spelled = [&](const QString& name) {
    for (const QString& family : families)
      if (family.compare(name, Qt::CaseInsensitive) == 0) return family;
    return QString();
  };
  if (const QString family = spelled(requested); !family.isEmpty()) return family;
  for (const QString& substitute : QFont::substitutes(requested))
    if (const QString family = spelled(substitute); !family.isEmpty()) return family;
  return requested;
}

QString ResolvedFontFamily(const QString& requested) {
  return QFontInfo(QFont(requested)).family();
}
