#pragma once

// Real dialogs, message boxes, desktop links and program starts, for the
// programs' own runs (tests install scripted ones instead).
void InstallQtSeams();
