#pragma once
// The toolkit's visit protocol, run locally over a list the session sent:
// the filter (if any) sees each item first; PRO_TK_CONTINUE skips the item,
// anything else is handed to the action as its status. The action returns
// PRO_TK_NO_ERROR to go on; anything else stops the walk and is returned.
// Nothing visited gives PRO_TK_E_NOT_FOUND. A callback that throws is logged
// and stops the walk with PRO_TK_GENERAL_ERROR.
#include <ProToolkit.h>
#include <vector>

#include "toolkit/client/callbacks.h"

namespace tkclient {

template <class Item, class Filter, class Action>
ProError VisitLocally(std::vector<Item>& items, Filter filter, Action action, ProAppData data) {
  int visited = 0;
  for (Item& item : items) {
    ProError status = PRO_TK_NO_ERROR;
    if (filter) {
      status = RunCallback(PRO_TK_GENERAL_ERROR, [&] { return filter(&item, data); });
      if (status == PRO_TK_CONTINUE) continue;
    }
    ++visited;
    const ProError r =
        RunCallback(PRO_TK_GENERAL_ERROR, [&] { return action(&item, status, data); });
    if (r != PRO_TK_NO_ERROR) return r;
  }
  return visited == 0 ? PRO_TK_E_NOT_FOUND : PRO_TK_NO_ERROR;
}

}  // namespace tkclient
