#pragma once
// The window the HUD shows conversations in. Until conversations are shown
// it does nothing each frame, and its words in "Scripts\HUD.txt" (the
// "ConversationInterface" block) are passed over.

#include "Core/DataBuffer.h"

class CConversationWindow {
public:
    // Passes over the block's words up to the next "HUDObject".
    void ReadInterface(CDataBuffer& reader)
    {
        while (!reader.IsEndOfBuffer() && !IsEqualNoCase(reader.PeekString().c_str(), "HUDObject"))
            reader.NextToken();
    }

    // The HUD's three steps of every frame, in this order.
    void HandleInput() {}
    void Advance() {}
    void Draw() {}
};
