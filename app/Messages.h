// SPDX-License-Identifier: GPL-3.0-or-later
// The window's own texts for the user. The misspellings and double spaces are the program's own.
#pragma once

inline constexpr char kMainWinCaption[] = "Kelvane 95 ( IDEA )";
inline constexpr char kNotInstalledMessage[] = "The program has not been installed correctly!";
inline constexpr char kSettingsNotSavedMessage[] = "The settings could not be saved to \"%1\".";
inline constexpr char kNoSuchFileToOpenMessage[] = "The file \"%1\" does not exist.";
inline constexpr char kNoHandlerMessage[] = "No application was found to open \"%1\".";
inline constexpr char kMethodChangedMessage[] =
    "Since your default encryption method has changed, you will be prompted to assign a new password.";
inline constexpr char kCancelProcessQuestion[] = "Do you really want to cancel the process?";
inline constexpr char kOpenFilesAtExitWarning[] =
    "Some crypted files have been decrypted  and opened in their associated applications. If you press "
    "'OK' then program will exit without re-encrypting the opened files. Press 'Cancel' button to ensure "
    "that all such files are closed. Terminate respective applications.";
