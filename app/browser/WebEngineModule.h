#pragma once

class QWidget;

// The one entry point of the web engine's module, found at run time. It makes
// a browser view whose "url" property navigates it and whose
// loadFinished(bool) signal says the page has loaded.
namespace WebEngineModule {

using CreateFunction = QWidget* (*)(QWidget* parent);
inline constexpr char CreateSymbol[] = "kestrune_create_browser_view";
// QLibrary adds the platform's prefix and suffix.
inline constexpr char FileName[] = "kestrune-webpane";

} // namespace WebEngineModule
