// Why a port does not open, in the words every program uses.
#include <cstring>

#include "link/serial_ports.h"

namespace sigra::link::ports {

std::string ProblemText(const OpenProblem& problem) {
  if (!problem.table.empty()) return problem.table;
  std::string text = std::strerror(problem.error);
  if (!LacksRights(problem)) return text;
  if (problem.group.empty()) return text + "; only root may open it";
  const std::string user = problem.user.empty() ? "$USER" : problem.user;
  if (problem.userInGroup) {
    return text + "; " + user + " is in group " + problem.group +
           " but this session is not yet: log in again";
  }
  return text + "; the device belongs to group " + problem.group + ", which " + user +
         " is not in: add the user to it (sudo adduser " + user + " " + problem.group +
         ") and log in again";
}

}  // namespace sigra::link::ports
