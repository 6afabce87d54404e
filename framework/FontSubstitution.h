#pragma once

#include <QString>

// The window asks for "ＭＳ Ｐゴシック" and "ＭＳ Ｐ明朝", which Linux desktops don't have.
// Left alone, those names fall through to a Latin face with the wrong metrics; this maps
// them to IPA P Gothic / IPA P Mincho, which were made to match them (and to the next best
// Japanese face when the IPA fonts are missing, so the program still runs).
void InstallFontSubstitutions();

// The face a requested family resolves to, as the font system reports it.
QString ResolvedFontFamily(const QString& requested);
