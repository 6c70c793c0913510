// Umbrella header of the qvMsgErr library.
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/enums.h>
#include <qvMsgErr/error_report.h>
#include <qvMsgErr/event.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/identifiers.h>
#include <qvMsgErr/memory.h>
#include <qvMsgErr/message.h>
#include <qvMsgErr/platform.h>
#include <qvMsgErr/version.h>
