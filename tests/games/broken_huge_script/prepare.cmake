# A start-up script of about 10 MB (made here rather than committed): 950000 statements.
string(REPEAT "n = n + 1;\n" 1000 block)
file(WRITE ${game}/config/startup.tas "n = 0;\n")
foreach(i RANGE 1 950)
  file(APPEND ${game}/config/startup.tas "${block}")
endforeach()
file(APPEND ${game}/config/startup.tas "MessageBox(\"n = \" + n);\n")
