#include "net/session_commands.h"

#include <cstring>

#include "net/net_session.h"
#include "platform/clock.h"

namespace {

constexpr int kEndResult = 101;
constexpr int kNameRoom = 256;  // 255 characters and the NUL
constexpr char kNoData[] = "NO_DATA";

int32_t g_last_sender = 0;

BasicString bytes_text(const uint8_t* bytes, int length) {
  BasicString s;
  std::memcpy(s.buffer(length), bytes, static_cast<size_t>(length));
  s.text[length] = 0;
  s.length = length;
  return s;
}

}  // namespace

int qvl_net_session_host(int port) {
  return qvl_net_session && qvl_net_session->host(port) ? 1 : 0;
}

int qvl_net_session_join(const BasicString& host, int port) {
  return qvl_net_session && qvl_net_session->join(host.c_str(), port) ? 1 : 0;
}

int qvl_net_session_end() {
  if (qvl_net_session) qvl_net_session->stop();
  return kEndResult;
}

int qvl_net_session_is_running() {
  return qvl_net_session ? qvl_net_session->locked_read(qvl_net_session->running) : 0;
}

int qvl_net_session_allow_join(int flag) {
  if (!qvl_net_session) return 0;
  NetSession& s = *qvl_net_session;
  qvl_sys_mutex_lock(&s.lock);
  s.accept_new = flag != 0 ? 1 : 0;
  qvl_sys_mutex_unlock(&s.lock);
  s.wake_thread();  // a machine that waits to be accepted is taken now
  return 0;
}

int qvl_net_session_add_player(const BasicString& name) {
  return qvl_net_session ? qvl_net_session->add_player(name.c_str()) : 0;
}

int qvl_net_session_remove_player(int id) {
  if (id < 1 || id > kPlayerIdLast) return id;
  return qvl_net_session ? qvl_net_session->send_remove_player(static_cast<uint16_t>(id)) : -1;
}

int qvl_net_session_send_text(int from, int to, const BasicString& text) {
  if (!qvl_net_session) return 0;
  const uint16_t target = to == 0 ? kPlayerIdAll : static_cast<uint16_t>(to);
  return qvl_net_session->send_text(static_cast<uint16_t>(from), target, text.text, text.length)
             ? 1
             : 0;
}

BasicString qvl_net_session_next_message(int id) {
  if (!qvl_net_session) return BasicString();
  NetSession& s = *qvl_net_session;
  BasicString text;
  qvl_sys_mutex_lock(&s.lock);
  NetPlayer* p = s.local_player(static_cast<uint16_t>(id));
  if (p) p->read_at = qvl_os_clock_ms();  // a player that is read is held nothing back from
  if (p && !p->messages.empty()) {
    text = bytes_text(p->messages.front_text(), p->messages.front_length());
    g_last_sender = p->messages.front_sender();
    s.local_text_cost -= p->messages.pop();
    // Half-way down from its bound: a thread that held its reading back
    // for this player goes on now rather than after its wait.
    if (p->messages.count() == kPlayerTextLimit / 2) s.wake_thread_locked();
  }
  qvl_sys_mutex_unlock(&s.lock);
  return text;
}

int qvl_net_session_last_sender() { return g_last_sender; }

int qvl_net_session_next_left_player() {
  if (!qvl_net_session) return 0;
  NetSession& s = *qvl_net_session;
  int id = 0;
  qvl_sys_mutex_lock(&s.lock);
  if (s.hosting && s.left_players.tail) {
    id = s.left_players.tail->payload.id;
    s.left_players.erase(s.left_players.tail);
  }
  qvl_sys_mutex_unlock(&s.lock);
  return id;
}

int qvl_net_session_player_count() {
  if (!qvl_net_session || !qvl_net_session_is_running()) return 0;
  return qvl_net_session->player_count();
}

int qvl_net_session_player_id(int n) {
  return qvl_net_session ? qvl_net_session->player_id_at(static_cast<uint16_t>(n)) : 0;
}

BasicString qvl_net_session_player_name(int id) {
  char name[kNameRoom];
  if (!qvl_net_session ||
      !qvl_net_session->player_name(static_cast<uint16_t>(id), name, sizeof name))
    return BasicString(kNoData);
  return BasicString(name);
}
