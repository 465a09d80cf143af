#pragma once

#include "platform/BusyCursor.h"
#include "platform/DesktopFolders.h"
#include "platform/FileDialogs.h"
#include "platform/MessagePump.h"
#include "platform/ModalQuestions.h"

// Every window-system service the windows rely on, in one object: the
// program gets a Qt implementation, the window tests a scripted one. Plain
// code asks for the one role it uses.
class WindowServices : public ModalQuestions,
                       public FileDialogs,
                       public MessagePump,
                       public BusyCursors,
                       public DesktopFolders { };
