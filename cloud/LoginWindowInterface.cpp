#include "cloud/LoginWindowInterface.h"

LoginWindowInterface::LoginWindowInterface(QObject *parent) : QObject(parent) {}

LoginWindowInterface::~LoginWindowInterface() = default;
