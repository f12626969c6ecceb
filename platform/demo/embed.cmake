# Turns the demo network description into a C++ source defining
# DemoNetworkDescription(). Run as: cmake -DIN=... -DOUT=... -P embed.cmake
file(READ ${IN} text)
string(FIND "${text}" ")nwsimdemo\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} contains the raw-string delimiter")
endif()
file(WRITE ${OUT}.tmp "#include \"platform/sim/simulated_network.h\"\n\n"
  "const std::string& DemoNetworkDescription() {\n"
  "    static const std::string text = R\"nwsimdemo(${text})nwsimdemo\";\n"
  "    return text;\n}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
