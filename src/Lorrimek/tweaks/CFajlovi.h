// CFajlovi: the library's small file utility (write a text file, probe a file, delete a file) on
// the device's file system, and the link-file operations of the shortcut tweaks built on it.
#pragma once

#include <Lorrimek/WideString.h>
#include <windows.h>

#include <cstdio>

class CFajlovi {
public:
    CFajlovi();
    // Closes the stream that FileExists left open.
    virtual ~CFajlovi();
    CFajlovi(const CFajlovi&) = delete;
    CFajlovi& operator=(const CFajlovi&) = delete;

    // Creates or truncates `path` and writes `text` into it, one byte per character. True when
    // the whole text was written and the file closed; on a failure after the file was opened the
    // file is deleted again, so that no partial file is left behind. A file that cannot be opened
    // is never written to or closed.
    BOOL WriteTextFile(const CWideString& path, const CWideString& text);
    // True when `path` can be opened for reading. The stream stays open until the object is
    // destroyed.
    BOOL FileExists(const CWideString& path);
    // True when no file of that name is left: it was deleted, or there was none.
    BOOL RemoveFile(const CWideString& path);

private:
    FILE* m_file;
};

// The shortcut tweaks' operations, each on a fresh CFajlovi.
// True when the link file exists (can be opened for reading).
BOOL LinkExists(const CWideString& path);
// Writes the link file: kTweakOk, or kTweakFileWriteFailed.
int WriteLink(const CWideString& path, const CWideString& content);
// Deletes the link file: kTweakOk (also when there was none), or kTweakFileWriteFailed when it
// exists and cannot be deleted.
int RemoveLink(const CWideString& path);
