#include "editing_values.h"

#include <cmath>

std::string g_AudioFilePath;
std::string g_AudioFileTitle;
long g_ClipLength = 0;
long g_ClipLengthMs = 0;
long g_StartPoint = 0;
long g_RingtoneLength = 0;
long g_SampleRate = 0;
long g_Position = 0;
long g_PositionMs = 0;
long g_SelEndValue = 0;
long g_SelEndMs = 0;
long g_LoopLengthMs = 0;
bool g_Looping = false;
bool g_CdEjecting = false;
bool g_FastForwardHeld = false;
bool g_RewindHeld = false;
bool g_IncreaseStartHeld = false;
bool g_DecreaseStartHeld = false;
bool g_IncreaseLengthHeld = false;
bool g_DecreaseLengthHeld = false;

void ResetEditingValues() {
    g_AudioFilePath.clear();
    g_AudioFileTitle.clear();
    g_ClipLength = g_ClipLengthMs = g_StartPoint = g_RingtoneLength = g_SampleRate = 0;
    g_Position = g_PositionMs = g_SelEndValue = g_SelEndMs = g_LoopLengthMs = 0;
    g_Looping = g_CdEjecting = false;
    g_FastForwardHeld = g_RewindHeld = false;
    g_IncreaseStartHeld = g_DecreaseStartHeld = g_IncreaseLengthHeld = g_DecreaseLengthHeld = false;
}

long RoundLong(double value) { return static_cast<long>(std::nearbyint(value)); }
