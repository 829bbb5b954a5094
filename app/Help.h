// SPDX-License-Identifier: GPL-3.0-or-later
// The program's help: HTML pages in a folder "help" beside the program's data, with one anchor per help
// context. The window and its dialogs ask for a context number; this table says where it is explained.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

struct TKV_HelpTopic
{
    int Context;
    const char* Page;
    const char* Anchor;
};

// Every help context the program asks for, with the page and anchor that explain it.
inline constexpr TKV_HelpTopic kHelpTopics[] = {
    {10, "getting-started.html", "basics"},
    {20, "lists-and-views.html", "main-window"},
    {50, "command-line.html", "from-the-file-manager"},
    {60, "encrypting.html", "open-in-application"},
    {70, "encrypting.html", "deleting"},
    {80, "preferences.html", "preferences"},
    {90, "passwords.html", "stored-passwords"},
};

// The help contexts of dialogs that have none of their own: the basics, which tell about passwords (the
// password prompts and the master password dialog), and deleting files (the delete confirmation).
inline constexpr int kBasicsHelpContext = 10;
inline constexpr int kDeletingHelpContext = 70;

// The topic of `context`; null for a number the table does not hold.
const TKV_HelpTopic* FindHelpTopic(int context);

// The address of `context` in the help whose first page is `helpFile`: the topic's page in the same
// folder with its anchor; the first page itself for 0 and for a number the table does not hold.
QUrl HelpPageUrl(const QString& helpFile, int context);

// The first page to use: `configured` (from the settings) when it exists, else the first of
// `candidates` that exists, else `configured` as it is, so that the user is told which file is missing.
QString LocateHelpFile(const QString& configured, const QStringList& candidates);

// Where an installation keeps the help's first page: beside the program (../share/kelvane/help, which
// is also where the build tree has it), then the system's data folders.
QStringList InstalledHelpCandidates();
