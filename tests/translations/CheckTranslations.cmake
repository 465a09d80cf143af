# The translation files hold every text of the sources, translated: lupdate
# run over copies of them finds nothing new and leaves nothing unfinished.
# Run by ctest as: cmake -DLUPDATE=<lupdate> -DSRC=<src> -DTS_DIR=<translations> -DWORK=<dir> -P CheckTranslations.cmake
file(GLOB_RECURSE window_sources ${SRC}/*.cpp ${SRC}/*.h)
list(FILTER window_sources EXCLUDE REGEX "/src/app/cli/|/src/platform/EnglishSentences\\.cpp$")
set(engine_sources ${SRC}/platform/EnglishSentences.cpp)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(faults "")
foreach(pair "travelia_en.ts;window_sources" "travelia_fr.ts;engine_sources")
  list(GET pair 0 ts)
  list(GET pair 1 sources)
  file(COPY ${TS_DIR}/${ts} DESTINATION ${WORK})
  execute_process(COMMAND ${LUPDATE} -locations none -no-obsolete ${${sources}} -ts ${WORK}/${ts}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    string(APPEND faults "lupdate failed on ${ts}: ${err}\n")
  endif()
  file(STRINGS ${WORK}/${ts} unfinished REGEX "type=\"unfinished\"")
  list(LENGTH unfinished count)
  if(count GREATER 0)
    string(APPEND faults "${ts}: ${count} text(s) without translation (${out})\n")
  endif()
endforeach()
if(faults)
  message(FATAL_ERROR "${faults}Run the target update_translations and translate them in translations/.")
endif()
