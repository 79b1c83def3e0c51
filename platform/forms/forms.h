#pragma once
// Everything a program of forms uses. The window layer comes first: it must precede GLib.

#include "forms/olecontrol.h"
#include "forms/runtime.h"
#include "forms/controls.h"
#include "forms/inet.h"
#include "forms/winsock_control.h"
#include "forms/dialogs.h"
#include "forms/browser.h"
#include "forms/mci_control.h"
