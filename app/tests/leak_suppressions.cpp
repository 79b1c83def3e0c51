// The toolkit's and the browser's libraries keep type data and caches until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\nleak:libpango-1.0.so\nleak:libgtk-3.so\n"
           "leak:libgdk-3.so\nleak:libgobject-2.0.so\nleak:libgio-2.0.so\nleak:libatk-bridge-2.0.so\n"
           "leak:libatspi.so\nleak:libgdk_pixbuf-2.0.so\nleak:libdbus-1.so\nleak:libglib-2.0.so\n"
           "leak:libwebkit2gtk-4.1.so\nleak:libjavascriptcoregtk-4.1.so\nleak:libEGL\nleak:libGLX\n";
}
