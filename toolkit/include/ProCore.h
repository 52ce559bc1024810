/* ProCore.h: joining, watching and leaving a CAD session (asynchronous mode).
 *
 * An asynchronous application connects to a running session (or starts one),
 * then calls ProEventProcess from its own loop: menu actions, notifications and
 * the termination action run only inside that call, on the calling thread. One
 * connection per process; the process handle is a value the caller keeps. */
#ifndef TAV_TK_PROCORE_H
#define TAV_TK_PROCORE_H

#include <ProConst.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Identifies the connected session. */
typedef struct PeerIdx {
  int array_index;
  long auth_key;
} ProProcessHandle;

/* Connection id text, "host:H:addr_ver:A:...:netaddr:N". */
typedef char ProConnectionId[PRO_CONNECTID_SIZE];

/* Called once when the session ends; see ProConst.h for the status. */
typedef ProError (*ProTerminationAction)(ProeTerminationStatus term_type);

/* Joins a running session on `display` run by `user` (NULL = any), trying the
 * session named by proe_session_id (a connection id, or "") first. When several
 * match, allow_random TRUE picks one (reported in *random_choice), FALSE fails
 * with PRO_TK_E_AMBIGUOUS. textpath names the application's text directory
 * (message files). Fails with PRO_TK_NOT_EXIST when no session runs,
 * PRO_TK_CANT_MODIFY without a communication program, PRO_TK_E_BUSY when the
 * session does not answer within timeout_sec. */
ProError ProEngineerConnect(char* proe_session_id, char* display, char* user, char* textpath,
                            ProBoolean allow_random, unsigned int timeout_sec,
                            ProBoolean* random_choice, ProProcessHandle* p_handle);

/* Writes the connection id of the session behind p_handle. */
ProBoolean ProEngineerConnectIdExtract(ProProcessHandle p_handle, ProConnectionId proe_connect_id);

/* Leaves the session; the handle is invalid afterwards. */
ProError ProEngineerDisconnect(ProProcessHandle* p_handle, unsigned int timeout_sec);

/* PRO_TK_NO_ERROR while a connected session answers, else
 * PRO_TK_GENERAL_ERROR. */
ProError ProEngineerStatusGet(void);

/* Starts a session from proe_path and connects to it. */
ProError ProEngineerStart(char* proe_path, char* prodev_text_path);

/* Ends the connected session (the termination action is not called). */
ProError ProEngineerEnd(void);

/* Runs the callbacks the session has queued, then returns. */
void ProEventProcess(void);

/* Binds the termination action; NULL unbinds it. */
ProError ProTermFuncSet(ProTerminationAction term_function);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROCORE_H */
