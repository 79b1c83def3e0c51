#pragma once
// The editing step's values, shared by the audio sources, the transport, the fine-tuning and
// the message window. Positions are sample counts of the loaded clip; times are milliseconds.

#include <string>

extern std::string g_AudioFilePath;
extern std::string g_AudioFileTitle;
extern long g_ClipLength;
extern long g_ClipLengthMs;
extern long g_StartPoint;
extern long g_RingtoneLength;
extern long g_SampleRate;
extern long g_Position;
extern long g_PositionMs;
extern long g_SelEndValue;
extern long g_SelEndMs;
extern long g_LoopLengthMs;
extern bool g_Looping;
extern bool g_CdEjecting;
extern bool g_FastForwardHeld;
extern bool g_RewindHeld;
extern bool g_IncreaseStartHeld;
extern bool g_DecreaseStartHeld;
extern bool g_IncreaseLengthHeld;
extern bool g_DecreaseLengthHeld;

void ResetEditingValues();

// To the nearest whole number, halves to even.
long RoundLong(double value);

// Ringtone lengths in whole seconds.
constexpr int kMinRingtoneSeconds = 7;
constexpr int kMaxRingtoneSeconds = 28;

// The looped clip of a short source, written to the program folder while it is built.
constexpr const char* kLoopFileName = "loop.mp3";
