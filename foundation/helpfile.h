#pragma once

#include <QString>

// The help is a French HTML guide in the "help" folder beside the programs,
// a page per window, opened in the pupil's web browser. A page of its own,
// not an anchor: a file link's "#section" is lost on the way to the browser
// by xdg-open and by the Windows shell.
enum class HelpPage {
    Contents,  // the guide's first page, with the about box's section
    Recording, // the main window
    Settings,  // the settings dialog
};

// The page's file, in the program folder's help folder.
QString HelpPagePath(const QString& programFolder, HelpPage page);

enum class HelpOpening { Opened, Missing, NoBrowser };

// Opens the page through shell(). Missing when the page is not installed:
// each window then says so in its own words.
HelpOpening OpenHelp(const QString& programFolder, HelpPage page);

// What the pupil is told when no browser took the page.
QString HelpNotOpenedText(const QString& page);
