// Something that can handle commands. Each target answers for its own commands only; the frame
// routes a command through view, document, frame and application in turn.
#pragma once

#include "framework/CmdUI.h"

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs this target's handler for the command; false when it has none.
    virtual bool OnCommand(UINT /*id*/) { return false; }
    // Runs this target's update handler for ui.m_nID; false when it has none.
    virtual bool OnUpdateCommand(CCmdUI& /*ui*/) { return false; }
    // Whether OnCommand would handle the command. Menus grey out commands that no target handles.
    virtual bool HasCommandHandler(UINT /*id*/) const { return false; }
};
