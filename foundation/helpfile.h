#pragma once

// Opens the help file next to the program through shell(). False when it is
// missing: each window then says so in its own words.
bool OpenHelpFile();
