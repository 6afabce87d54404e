#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include "framework/FontConfigWarmUp.h"
#include "framework/FontSubstitution.h"

TEST(FontSubstitution, TheWindowsFontNamesResolveToTheIpaFaces) {
  InstallFontSubstitutions();
  if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
    GTEST_SKIP() << "the IPA fonts are not installed";
  EXPECT_EQ(ResolvedFontFamily(QStringLiteral("ＭＳ Ｐゴシック")), "IPAPGothic");
  EXPECT_EQ(ResolvedFontFamily(QStringLiteral("ＭＳ Ｐ明朝")), "IPAPMincho");
}

TEST(FontSubstitution, TheFamilyAskedForIsAnInstalledOne) {
  InstallFontSubstitutions();
  if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
    GTEST_SKIP() << "the IPA fonts are not installed";
  EXPECT_EQ(InstalledFamily(QStringLiteral("ＭＳ Ｐゴシック")), "IPAPGothic");
  EXPECT_EQ(InstalledFamily(QStringLiteral("ＭＳ Ｐ明朝")), "IPAPMincho");
  EXPECT_EQ(InstalledFamily(QStringLiteral("IPAPMincho")), "IPAPMincho");  // installed itself
  // Neither installed nor substituted: left to the font system's fallbacks.
  EXPECT_EQ(InstalledFamily(QStringLiteral("No Such Face")), "No Such Face");
  // Substitutes are tried in order, the missing ones passed over.
  QFont::insertSubstitutions(QStringLiteral("Test Face"),
                             {QStringLiteral("No Such Face"), QStringLiteral("IPAPMincho")});
  EXPECT_EQ(InstalledFamily(QStringLiteral("Test Face")), "IPAPMincho");
  QFont::removeSubstitutions(QStringLiteral("Test Face"));
}

// The font configuration read ahead may be waited for any number of times, or never.
TEST(FontConfigWarmUp, EndsWhetherWaitedForOrNot) {
  {
    TFontConfigWarmUp waited;
    waited.Wait();
    waited.Wait();
  }
  TFontConfigWarmUp notWaited;
}
