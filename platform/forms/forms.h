#pragma once
// Everything a program of forms uses.

#include "forms/runtime.h"
#include "forms/controls.h"
#include "forms/inet.h"
#include "forms/winsock_control.h"
#include "forms/dialogs.h"
#include "forms/browser.h"
