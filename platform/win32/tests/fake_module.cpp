#include "win32/base.h"

extern "C" {

int FakeAdd(int a, int b) { return a + b; }
const char* FakeName() { return "fake module"; }

FARPROC PlatformProcByOrdinal(WORD ordinal) {
    switch (ordinal) {
    case 1: return reinterpret_cast<FARPROC>(&FakeAdd);
    case 151: return reinterpret_cast<FARPROC>(&FakeName);
    default: return nullptr;
    }
}
}
