// GTK, WebKit, fontconfig and Pango keep type data, caches and their own threads' state until
// the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\nleak:libpango-1.0.so\nleak:libgtk-3.so\n"
           "leak:libgdk-3.so\nleak:libwebkit2gtk-4.1.so\nleak:libjavascriptcoregtk-4.1.so\n"
           "leak:libgobject-2.0.so\nleak:libgio-2.0.so\nleak:libatk-bridge-2.0.so\nleak:libatspi.so\n"
           "leak:libgdk_pixbuf-2.0.so\nleak:libEGL\nleak:libGLX\nleak:libdbus-1.so\n";
}
