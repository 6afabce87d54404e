#pragma once

#include <QString>

// The window asks for "ＭＳ Ｐゴシック" and "ＭＳ Ｐ明朝", which Linux desktops don't have, nor
// Windows outside Japan under those names, nor Wine. Left alone, those names fall through to a
// Latin face with the wrong metrics; this maps them to IPA P Gothic / IPA P Mincho, which were
// made to match them (under Wine, the host's IPA fonts), then to the same faces under their
// English names (Windows in other languages), then to the next best Japanese face, so the
// program still runs. Japanese Windows has the faces themselves and needs none of this.
void InstallFontSubstitutions();

// The family to ask the font system for: the requested one when a face of it is installed,
// else its first installed substitute, else the requested one still (for the font system's
// own fallbacks). Asked for a family no face has, Qt has fontconfig sort every installed
// face for a fallback, once for each script the texts use: a million instructions or more
// each, at start-up, though the substitute it would settle on is known.
QString InstalledFamily(const QString& requested);

// The face a requested family resolves to, as the font system reports it.
QString ResolvedFontFamily(const QString& requested);
