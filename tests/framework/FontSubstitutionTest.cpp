#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>

#include "framework/FontSubstitution.h"

TEST(FontSubstitution, TheWindowsFontNamesResolveToTheIpaFaces) {
  InstallFontSubstitutions();
  if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
    GTEST_SKIP() << "the IPA fonts are not installed";
  EXPECT_EQ(ResolvedFontFamily(QStringLiteral("ＭＳ Ｐゴシック")), "IPAPGothic");
  EXPECT_EQ(ResolvedFontFamily(QStringLiteral("ＭＳ Ｐ明朝")), "IPAPMincho");
}
