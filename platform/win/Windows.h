#pragma once
// Everything of the Win32 layer in one include, for code written against it.

#include "platform/win/Clipboard.h"
#include "platform/win/CommApi.h"
#include "platform/win/GlobalMemory.h"
#include "platform/win/ImageList.h"
#include "platform/win/KernelObjects.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/Messages.h"
#include "platform/win/Metafile.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"
#include "platform/win/WinSpool.h"
#include "platform/win/WinTypes.h"
#include "platform/win/WinUser.h"
