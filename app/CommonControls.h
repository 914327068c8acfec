#pragma once

// Asks Windows for the themed common controls (record size 8, the extended
// combo-box class group). True when the call raised no error; nobody needs to
// look. Elsewhere Qt themes its controls by itself and this does nothing.
bool InitCommonControlsVB();
