#pragma once

#include <QString>

// The window asks for "ＭＳ Ｐゴシック" and "ＭＳ Ｐ明朝", which Linux desktops don't have.
// Left alone, those names fall through to a Latin face with the wrong metrics; this maps
// them to IPA P Gothic / IPA P Mincho, which were made to match them (and to the next best
// Japanese face when the IPA fonts are missing, so the program still runs).
void InstallFontSubstitutions();

// The family to ask the font system for: the requested one when a face of it is installed,
// else its first installed substitute, else the requested one still (for the font system's
// own fallbacks). Asked for a family no face has, Qt has fontconfig sort every installed
// face for a fallback, once for each script the texts use: a million instructions or more
// each, at start-up, though the substitute it would settle on is known.
QString InstalledFamily(const QString& requested);

// The face a requested family resolves to, as the font system reports it.
QString ResolvedFontFamily(const QString& requested);
