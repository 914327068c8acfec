#pragma once

// Whether the settings file asks for the light pane where the web engine
// would otherwise show the announcement: [window] pane = light (or web, the
// default). A value that is neither is said once on standard error, and the
// default holds.
bool LightPaneChosen();
