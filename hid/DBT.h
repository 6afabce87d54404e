#pragma once

// The device-change message the controller's hidden receiver handles, and the one event
// code it acts on: "device nodes changed" (a pass is due). The parameter -1 marks the
// start-up pass, 0 a pass for a real change.
constexpr int WM_DEVICECHANGE = 0x0219;
constexpr int DBT_DEVNODES_CHANGED = 7;
constexpr int kStartupChangeParam = -1;
