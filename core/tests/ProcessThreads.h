#pragma once

// How many threads the test process runs now, for checks that work which starts threads of its
// own has joined all of them when it returns.

#include <windows.h>
#include <tlhelp32.h>

namespace testthreads {

inline int threadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self)
            ++count;
    CloseHandle(snapshot);
    return count;
}

} // namespace testthreads
