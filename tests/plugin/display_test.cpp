// Which X display the library opens when it is loaded.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

// Runs in a child: listens where an X server for ":0" would be, loads the
// plug-in with DISPLAY unset, and exits 0 when the library knocked on that door.
int ChildTriesDefaultDisplay() {
    // A private network namespace has its own abstract sockets, so a real
    // server on :0 cannot get in the way (needs root, which CI has).
    unshare(CLONE_NEWNET);
    int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const char name[] = "/tmp/.X11-unix/X0";
    memcpy(address.sun_path + 1, name, sizeof(name) - 1); // abstract: leading NUL
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + sizeof(name));
    if (bind(server, reinterpret_cast<sockaddr*>(&address), length) != 0) return 3;
    if (listen(server, 4) != 0) return 4;

    std::atomic<bool> knocked{false};
    std::thread acceptor([&] {
        int client = accept(server, nullptr, nullptr);
        if (client >= 0) {
            knocked = true;
            close(client); // no server here: the connection attempt fails at once
        }
    });
    unsetenv("DISPLAY");
    void* library = dlopen(MORAVOX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    shutdown(server, SHUT_RDWR);
    acceptor.join();
    if (!library) return 5;
    dlclose(library);
    return knocked ? 0 : 6;
}

TEST(LoadTimeDisplay, WithoutDisplayVariableTheDefaultIsTried) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(ChildTriesDefaultDisplay());
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3/4: could not listen, 5: no load, 6: :0 not tried";
}

} // namespace
