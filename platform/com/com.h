#pragma once
// The whole COM and OLE Automation layer.

#include "com/activation.h"
#include "com/connpt.h"
#include "com/errorinfo.h"
#include "com/marshal.h"
#include "com/object.h"
#include "com/olecolor.h"
#include "com/oleauto.h"
#include "com/storage.h"
#include "com/typeinfo.h"
#include "com/unknwn.h"
