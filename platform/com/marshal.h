#pragma once
// Handing an interface pointer to another thread. The receiving thread gets a proxy that carries
// each call to the owning apartment's thread, through a message to the apartment's hidden window,
// and blocks until it returns; the owner serves the call in whatever pump it runs (a modal wait
// included), and a caller that is itself waiting serves calls made to its own apartment
// meanwhile. Proxies exist for IDispatch, for dispinterfaces and for the dual interfaces that
// type tables describe (vtable calls included). Arguments pass as they are: the caller waits, so
// its memory stays valid while the owner works on it.

#include "com/storage.h"

using LPSTREAM = IStream*;

// The caller must be in an apartment: it owns the object.
HRESULT CoMarshalInterThreadInterfaceInStream(REFIID riid, LPUNKNOWN unknown, LPSTREAM* stream);
// On the owner's thread this gives the object itself, elsewhere a proxy. Releases the stream.
HRESULT CoGetInterfaceAndReleaseStream(LPSTREAM stream, REFIID riid, LPVOID* out);
