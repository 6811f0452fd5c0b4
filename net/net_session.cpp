#include "net/net_session.h"

#include <cstdlib>

#include "net/socket_table.h"

NetSession* qvl_net_session = nullptr;

void NetSession::init_idle() {
  next_player_id = 101;
  second_field = 0;
  server_entry = -1;
  client_entry = -1;
  local_players = {};
  remote_players = {};
  hosting = 0;
  stop_flag = 1;
  running = 0;
  accept_new_players = 1;
  lock = nullptr;
  qvl_sys_mutex_init(&lock);
  received = {};
  replies = {};
  left_players = {};
  stopping = 0;
}

bool NetSession::stop(int timeout_ms) {
  qvl_sys_mutex_lock(&lock);
  bool other_is_stopping = stopping != 0;
  stopping = 1;
  bool thread_running = running != 0;
  if (thread_running && !other_is_stopping) stop_flag = 1;
  qvl_sys_mutex_unlock(&lock);
  if (other_is_stopping) return false;

  bool answered = true;
  for (int waited = 0; thread_running; waited += 50) {
    if (waited >= timeout_ms) {
      answered = false;
      break;
    }
    qvl_sys_thread_sleep(50);
    qvl_sys_mutex_lock(&lock);
    thread_running = running != 0;
    qvl_sys_mutex_unlock(&lock);
  }

  if (server_entry != -1) qvl_net_close(server_entry);
  server_entry = -1;
  if (client_entry != -1) qvl_net_close(client_entry);
  client_entry = -1;
  library_ref.release();

  qvl_sys_mutex_lock(&lock);
  stop_flag = 1;
  second_field = 0;
  if (answered) running = 0;
  accept_new_players = 1;
  next_player_id = 101;
  stopping = 0;
  qvl_sys_mutex_unlock(&lock);
  return answered;
}

void NetSession::free_lists() {
  while (left_players.head) left_players.pop_front();
  while (replies.head) replies.pop_front();
  while (received.head) received.pop_front();
  while (remote_players.head) remote_players.pop_front();
  while (local_players.head) local_players.pop_front();
}
