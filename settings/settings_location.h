// Where "Corvl.ini", "Corvl.hidden" and the user's button pictures live.
//
// "Corvl.ini" stays in the Windows directory wherever it can be written there. Where it cannot
// (a standard user of a later system; found out by trying, never from the version), the
// settings move to a folder of the user's own, %APPDATA%\Corvel, which starts as a copy of what
// the Windows directory holds; the journal and the two pictures go with them.
#pragma once
#include <string>

namespace corvel {

struct SettingsPlace {
  // "Corvl.ini", the bare name the system keeps in the Windows directory, or a full path.
  std::string iniFile;
  // The folder of the journal and, with perUser, of the pictures; a trailing backslash.
  std::string folder;
  bool perUser = false;
};

// Whether "Corvl.ini" in `windowsDir` can be written: a file marked read-only is the user's
// choice and counts as a place (the options dialog then says it cannot write); a folder of that
// name, or a directory the user may not write, does not.
bool SettingsWritableIn(const std::string& windowsDir);
// The place for these two folders (`windowsDir` and `appDataDir` with or without a trailing
// backslash) when the Windows directory's file can or cannot be written; the per-user folder is
// made and, the first time, given the Windows directory's settings and journal.
SettingsPlace SettingsPlaceFor(bool windowsWritable, const std::string& windowsDir, const std::string& appDataDir);

// The place of this run, chosen at the first call.
const SettingsPlace& CurrentSettingsPlace();
// Replaces it (tests).
void SetSettingsPlace(const SettingsPlace& place);

std::string SettingsFile();
std::string JournalPath();
// A picture to read: the user's folder's where it holds one, else the program folder's.
std::string UserPictureToRead(const char* name);
std::string UserPictureToWrite(const char* name);

}  // namespace corvel
