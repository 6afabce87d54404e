#pragma once

// The processor time this process has used, in milliseconds: std::clock() gives it on Linux
// but the wall-clock time on Windows, so each system has a file of its own.
double ProcessCpuMs();
