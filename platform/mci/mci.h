#pragma once
// The command-string interface to media devices, for CD audio only: "open cdaudio", then
// "set", "status", "play", "seek", "stop" and "close" on the opened device by its alias.
// Playback reads the disc's audio and plays it on the audio output the editor uses. Error codes
// and texts are this library's own (MciError); mciGetErrorStringA gives the text of each.
//
// Positions are sectors of the disc (75 a second); with "time format tmsf" they are written
// "track[:minutes[:seconds[:frames]]]" from a track's start, with "time format milliseconds"
// as milliseconds from the disc's start. "play" runs to the end of the track it starts in;
// "play ... wait" returns when it is done, any other play at once.

#include "windows/windows.h"

using MCIERROR = DWORD;

enum MciError : MCIERROR {
    MCI_OK = 0,
    MCI_ERROR_NO_DEVICE = 320,
    MCI_ERROR_UNKNOWN_COMMAND,
    MCI_ERROR_UNKNOWN_DEVICE_TYPE,
    MCI_ERROR_NOT_OPEN,
    MCI_ERROR_ALIAS_IN_USE,
    MCI_ERROR_DEVICE_IN_USE,
    MCI_ERROR_BAD_ARGUMENT,
    MCI_ERROR_NO_DISC,
    MCI_ERROR_OUT_OF_RANGE,
    MCI_ERROR_READ_FAULT,
    MCI_ERROR_NOT_AUDIO,
    MCI_ERROR_NO_AUDIO_OUTPUT,
    MCI_ERROR_ANSWER_TOO_LONG,
    MCI_ERROR_NO_NOTIFY,
    MCI_ERROR_DOOR,
    MCI_ERROR_BAD_IMAGE,
};

// Answers of "status ALIAS mode", as numbers for those who keep them so.
enum MciMode : long {
    MCI_MODE_NOT_READY = 524,
    MCI_MODE_STOPPED = 525,
    MCI_MODE_PLAYING = 526,
    MCI_MODE_OPEN = 530,
};

// Runs one command. A status answer (and "open"'s device number) goes to the answer buffer
// when one is given; an answer that does not fit fails with MCI_ERROR_ANSWER_TOO_LONG and
// leaves the buffer empty. The callback window is kept for notifications, which are not
// offered: a command with "notify" fails with MCI_ERROR_NO_NOTIFY.
MCIERROR mciSendStringA(LPCSTR command, LPSTR answer, UINT answerLength, HWND callback);
// The text of an error, cut to fit the buffer. FALSE for a code that is not an error.
BOOL mciGetErrorStringA(MCIERROR error, LPSTR buffer, UINT length);
