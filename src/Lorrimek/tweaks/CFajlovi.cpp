#include "CFajlovi.h"

#include <Lorrimek/TweakBase.h>

CFajlovi::CFajlovi() : m_file(nullptr) {}

CFajlovi::~CFajlovi() {
    if (m_file != nullptr) fclose(m_file);
}

BOOL CFajlovi::WriteTextFile(const CWideString& path, const CWideString& text) {
    FILE* file = _wfopen(path, u"w");
    if (file == nullptr) return FALSE;
    const bool written = fwprintf(file, u"%s", text.GetString()) == text.GetLength();
    const bool closed = fclose(file) == 0;
    if (written && closed) return TRUE;
    DeleteFileW(path);
    return FALSE;
}

BOOL CFajlovi::FileExists(const CWideString& path) {
    if (m_file != nullptr) {
        fclose(m_file);
        m_file = nullptr;
    }
    m_file = _wfopen(path, u"r");
    return m_file != nullptr;
}

BOOL CFajlovi::RemoveFile(const CWideString& path) {
    if (DeleteFileW(path)) return TRUE;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

BOOL LinkExists(const CWideString& path) { return CFajlovi().FileExists(path); }

int WriteLink(const CWideString& path, const CWideString& content) {
    return CFajlovi().WriteTextFile(path, content) ? kTweakOk : kTweakFileWriteFailed;
}

int RemoveLink(const CWideString& path) {
    return CFajlovi().RemoveFile(path) ? kTweakOk : kTweakFileWriteFailed;
}
