# Copies SRC to DST only when DST does not exist yet. Used for the live
# database beside the executable: once there, it holds real data and a
# rebuild must never replace it.
if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()
