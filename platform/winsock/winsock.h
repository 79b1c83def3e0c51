#pragma once
// The socket library stand-in (version 1.1 interface) over POSIX sockets. Its structures are
// its own, shared by the module and its callers; they need not match any other layout.

#include "win32/base.h"
#include "windows/windows.h"

using SOCKET = UINT_PTR;

constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;
constexpr ULONG INADDR_ANY = 0;
constexpr ULONG INADDR_NONE = 0xFFFFFFFFu;

constexpr int AF_INET_WS = 2;
constexpr int SOCK_STREAM_WS = 1;
constexpr int SOCK_DGRAM_WS = 2;
constexpr int IPPROTO_TCP_WS = 6;

constexpr int SOL_SOCKET_WS = 0xFFFF;
constexpr int SO_DEBUG_WS = 0x0001;
constexpr int SO_REUSEADDR_WS = 0x0004;
constexpr int SO_KEEPALIVE_WS = 0x0008;
constexpr int SO_BROADCAST_WS = 0x0020;
constexpr int SO_LINGER_WS = 0x0080;
constexpr int SO_OOBINLINE_WS = 0x0100;
constexpr int SO_SNDBUF_WS = 0x1001;
constexpr int SO_RCVBUF_WS = 0x1002;
constexpr int SO_SNDTIMEO_WS = 0x1005;
constexpr int SO_RCVTIMEO_WS = 0x1006;
constexpr int SO_ERROR_WS = 0x1007;
constexpr int SO_TYPE_WS = 0x1008;
constexpr int TCP_NODELAY_WS = 0x0001;

constexpr long FIONBIO_WS = static_cast<long>(0x8004667Eu);
constexpr long FIONREAD_WS = 0x4004667F;

constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;
constexpr int MSG_OOB_WS = 1;
constexpr int MSG_PEEK_WS = 2;

constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;
constexpr LPARAM WSAMAKESELECTREPLY(long event, int error) {
    return static_cast<LPARAM>(static_cast<DWORD>(event) | (static_cast<DWORD>(error) << 16));
}
constexpr int WSAGETSELECTEVENT(LPARAM lp) { return static_cast<int>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int WSAGETSELECTERROR(LPARAM lp) { return static_cast<int>(HIWORD(static_cast<DWORD_PTR>(lp))); }

// Error numbers.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

struct in_addr_ws {
    ULONG s_addr;  // network byte order
};
struct sockaddr_ws {
    USHORT sa_family;
    char sa_data[14];
};
struct sockaddr_in_ws {
    short sin_family;
    USHORT sin_port;  // network byte order
    in_addr_ws sin_addr;
    char sin_zero[8];
};
struct hostent_ws {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};
struct servent_ws {
    char* s_name;
    char** s_aliases;
    short s_port;  // network byte order
    char* s_proto;
};
struct protoent_ws {
    char* p_name;
    char** p_aliases;
    short p_proto;
};
struct linger_ws {
    USHORT l_onoff;
    USHORT l_linger;
};
struct timeval_ws {
    LONG tv_sec;
    LONG tv_usec;
};
constexpr int FD_SETSIZE_WS = 64;
struct fd_set_ws {
    UINT fd_count;
    SOCKET fd_array[FD_SETSIZE_WS];
};

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;
struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};
using LPWSADATA = WSADATA*;

// The entry points, with their published ordinals.
#define WINSOCK_ENTRY_POINTS(X)                                                                          \
    X(1, accept, SOCKET, (SOCKET s, sockaddr_ws * addr, int* addrlen))                                   \
    X(2, bind, int, (SOCKET s, const sockaddr_ws* addr, int namelen))                                    \
    X(3, closesocket, int, (SOCKET s))                                                                   \
    X(4, connect, int, (SOCKET s, const sockaddr_ws* name, int namelen))                                 \
    X(5, getpeername, int, (SOCKET s, sockaddr_ws * name, int* namelen))                                 \
    X(6, getsockname, int, (SOCKET s, sockaddr_ws * name, int* namelen))                                 \
    X(7, getsockopt, int, (SOCKET s, int level, int optname, char* optval, int* optlen))                 \
    X(8, htonl, ULONG, (ULONG hostlong))                                                               \
    X(9, htons, USHORT, (USHORT hostshort))                                                            \
    X(10, inet_addr, ULONG, (const char* cp))                                                           \
    X(11, inet_ntoa, char*, (in_addr_ws in))                                                             \
    X(12, ioctlsocket, int, (SOCKET s, long cmd, ULONG* argp))                                          \
    X(13, listen, int, (SOCKET s, int backlog))                                                          \
    X(14, ntohl, ULONG, (ULONG netlong))                                                               \
    X(15, ntohs, USHORT, (USHORT netshort))                                                            \
    X(16, recv, int, (SOCKET s, char* buf, int len, int flags))                                          \
    X(17, recvfrom, int, (SOCKET s, char* buf, int len, int flags, sockaddr_ws* from, int* fromlen))     \
    X(18, select, int,                                                                                   \
      (int nfds, fd_set_ws * readfds, fd_set_ws * writefds, fd_set_ws * exceptfds,                        \
       const timeval_ws* timeout))                                                                       \
    X(19, send, int, (SOCKET s, const char* buf, int len, int flags))                                    \
    X(20, sendto, int, (SOCKET s, const char* buf, int len, int flags, const sockaddr_ws* to, int tolen)) \
    X(21, setsockopt, int, (SOCKET s, int level, int optname, const char* optval, int optlen))           \
    X(22, shutdown, int, (SOCKET s, int how))                                                            \
    X(23, socket, SOCKET, (int af, int type, int protocol))                                              \
    X(51, gethostbyaddr, hostent_ws*, (const char* addr, int len, int type))                             \
    X(52, gethostbyname, hostent_ws*, (const char* name))                                                \
    X(53, getprotobyname, protoent_ws*, (const char* name))                                              \
    X(54, getprotobynumber, protoent_ws*, (int number))                                                  \
    X(55, getservbyname, servent_ws*, (const char* name, const char* proto))                             \
    X(56, getservbyport, servent_ws*, (int port, const char* proto))                                     \
    X(57, gethostname, int, (char* name, int namelen))                                                   \
    X(101, WSAAsyncSelect, int, (SOCKET s, HWND hwnd, UINT msg, long event))                             \
    X(102, WSAAsyncGetHostByAddr, HANDLE,                                                                \
      (HWND hwnd, UINT msg, const char* addr, int len, int type, char* buf, int buflen))                 \
    X(103, WSAAsyncGetHostByName, HANDLE, (HWND hwnd, UINT msg, const char* name, char* buf, int buflen)) \
    X(104, WSAAsyncGetProtoByNumber, HANDLE, (HWND hwnd, UINT msg, int number, char* buf, int buflen))   \
    X(105, WSAAsyncGetProtoByName, HANDLE, (HWND hwnd, UINT msg, const char* name, char* buf, int buflen)) \
    X(106, WSAAsyncGetServByPort, HANDLE,                                                                \
      (HWND hwnd, UINT msg, int port, const char* proto, char* buf, int buflen))                         \
    X(107, WSAAsyncGetServByName, HANDLE,                                                                \
      (HWND hwnd, UINT msg, const char* name, const char* proto, char* buf, int buflen))                 \
    X(108, WSACancelAsyncRequest, int, (HANDLE request))                                                 \
    X(109, WSASetBlockingHook, FARPROC, (FARPROC hook))                                                  \
    X(110, WSAUnhookBlockingHook, int, ())                                                               \
    X(111, WSAGetLastError, int, ())                                                                     \
    X(112, WSASetLastError, void, (int error))                                                           \
    X(113, WSACancelBlockingCall, int, ())                                                               \
    X(114, WSAIsBlocking, BOOL, ())                                                                      \
    X(115, WSAStartup, int, (WORD version, LPWSADATA data))                                              \
    X(116, WSACleanup, int, ())                                                                          \
    X(151, __WSAFDIsSet, int, (SOCKET s, fd_set_ws * set))

// Function pointer types, e.g. winsock::accept_fn.
namespace winsock {
#define WINSOCK_FN_TYPE(ord, name, ret, args) using name##_fn = ret(*) args;
WINSOCK_ENTRY_POINTS(WINSOCK_FN_TYPE)
#undef WINSOCK_FN_TYPE
}  // namespace winsock
