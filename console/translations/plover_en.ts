<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="Heron（UHF） 通用读写器系统参数设置">
        <source></source>
        <translation>Heron (UHF) Reader System Settings</translation>
    </message>
    <message id=" 机器恢复出厂初始参数成功！请等待机器重启后再作其他功能. ">
        <source></source>
        <translation> Factory settings restored. Wait for the reader to restart before the next command. </translation>
    </message>
    <message id=" 机器恢复出厂初始参数失败！">
        <source></source>
        <translation> Restoring factory settings failed!</translation>
    </message>
    <message id=" 读设备信息符成功！ ">
        <source></source>
        <translation> Device information read. </translation>
    </message>
    <message id=" 读设备厂商信息失败！">
        <source></source>
        <translation> Reading device information failed!</translation>
    </message>
    <message id="读写器设备厂商信息=">
        <source></source>
        <translation>Reader device information =</translation>
    </message>
    <message id=" 读模块编号成功！ ">
        <source></source>
        <translation> Device number read. </translation>
    </message>
    <message id=" 读模块编号失败！">
        <source></source>
        <translation> Reading device number failed!</translation>
    </message>
    <message id=" 模块编号=">
        <source></source>
        <translation> Device number =</translation>
    </message>
    <message id=" 读置波特率成功,请重新用新的波特率联接！ ">
        <source></source>
        <translation> Baud rate set. Connect again at the new baud rate. </translation>
    </message>
    <message id=" 设置波特率失败！">
        <source></source>
        <translation> Setting baud rate failed!</translation>
    </message>
    <message id=" 设备命令 ">
        <source></source>
        <translation> Device commands </translation>
    </message>
    <message id="灯  控">
        <source></source>
        <translation>LED/Buzzer</translation>
    </message>
    <message id="设备复位">
        <source></source>
        <translation>Reset reader</translation>
    </message>
    <message id="恢复出厂参数">
        <source></source>
        <translation>Factory settings</translation>
    </message>
    <message id="读设备版本信息">
        <source></source>
        <translation>Read device info</translation>
    </message>
    <message id="读设备号">
        <source></source>
        <translation>Read device no.</translation>
    </message>
    <message id="写设备号">
        <source></source>
        <translation>Write device no.</translation>
    </message>
    <message id="设置波特率">
        <source></source>
        <translation>Set baud rate</translation>
    </message>
    <message id="设置网络参数">
        <source></source>
        <translation>Network settings</translation>
    </message>
    <message id="清  屏">
        <source></source>
        <translation>Clear log</translation>
    </message>
    <message id="退    出">
        <source></source>
        <translation>Exit</translation>
    </message>
    <message id=" 网络地址 ">
        <source></source>
        <translation> Network address </translation>
    </message>
    <message id="退  出 ">
        <source></source>
        <translation>Exit </translation>
    </message>
    <message id=" TCP/IP 连接成功！ ">
        <source></source>
        <translation> TCP/IP connected. </translation>
    </message>
    <message id="TCP/IP 连接失败！">
        <source></source>
        <translation>TCP/IP connection failed!</translation>
    </message>
    <message id=" 设置读写器IP地址参数成功！ ">
        <source></source>
        <translation> Reader network settings stored. </translation>
    </message>
    <message id=" 设置读写器IP地址参数失败！ ">
        <source></source>
        <translation> Storing reader network settings failed! </translation>
    </message>
    <message id=" 读读写器IP地址参数成功！">
        <source></source>
        <translation> Reader network settings read.</translation>
    </message>
    <message id=" 读读写器IP地址参数失败！">
        <source></source>
        <translation> Reading reader network settings failed!</translation>
    </message>
    <message id="TCP网络连接">
        <source></source>
        <translation>TCP Network Connection</translation>
    </message>
    <message id="IP地址： ">
        <source></source>
        <translation>IP address: </translation>
    </message>
    <message id="端口号: ">
        <source></source>
        <translation>Port: </translation>
    </message>
    <message id="连    接">
        <source></source>
        <translation>Connect</translation>
    </message>
    <message id="设置网络地址参数">
        <source></source>
        <translation>Reader Network Settings</translation>
    </message>
    <message id="物理地址：">
        <source></source>
        <translation>MAC address:</translation>
    </message>
    <message id="子网掩码：">
        <source></source>
        <translation>Subnet mask:</translation>
    </message>
    <message id="网关地址： ">
        <source></source>
        <translation>Gateway: </translation>
    </message>
    <message id="读取地址">
        <source></source>
        <translation>Read settings</translation>
    </message>
    <message id="存储地址">
        <source></source>
        <translation>Store settings</translation>
    </message>
    <message id="kestrel门禁读卡头参数设定">
        <source></source>
        <translation>kestrel Access Control Reader Output Settings</translation>
    </message>
    <message id="kestrel门禁读卡头参数设置">
        <source></source>
        <translation>kestrel Access Control Reader Output Settings</translation>
    </message>
    <message id=" 读门禁读卡头参数成功！ ">
        <source></source>
        <translation> Card reader output settings read. </translation>
    </message>
    <message id=" 读门禁读卡头参数失败！">
        <source></source>
        <translation> Reading card reader output settings failed!</translation>
    </message>
    <message id=" 写门禁读卡头参数成功！ ">
        <source></source>
        <translation> Card reader output settings written. </translation>
    </message>
    <message id=" 写门禁读卡头参数失败！">
        <source></source>
        <translation> Writing card reader output settings failed!</translation>
    </message>
    <message id=" 读卡头参数 ">
        <source></source>
        <translation> Card reader output </translation>
    </message>
    <message id="门禁读卡头有效">
        <source></source>
        <translation>Card reader output enabled</translation>
    </message>
    <message id="标签数据存储体：">
        <source></source>
        <translation>Tag memory bank:</translation>
    </message>
    <message id="标签数据起始地址：">
        <source></source>
        <translation>Tag data start address:</translation>
    </message>
    <message id="标签数据长度：">
        <source></source>
        <translation>Tag data length:</translation>
    </message>
    <message id="输出数据格式:">
        <source></source>
        <translation>Output format:</translation>
    </message>
    <message id="读 参 数">
        <source></source>
        <translation>Read settings</translation>
    </message>
    <message id="写 参 数 ">
        <source></source>
        <translation>Write settings </translation>
    </message>
    <message id="退  出">
        <source></source>
        <translation>Exit</translation>
    </message>
    <message id="Heron（UHF） 通用读写器工作参数设置">
        <source></source>
        <translation>Heron (UHF) Reader Work Parameters</translation>
    </message>
    <message id=" 读读写器工作参数成功！ ">
        <source></source>
        <translation> Work parameters read. </translation>
    </message>
    <message id=" 读读写器工作参数失败！">
        <source></source>
        <translation> Reading work parameters failed!</translation>
    </message>
    <message id=" 设置读写器工作参数成功！ ">
        <source></source>
        <translation> Work parameters written. </translation>
    </message>
    <message id=" 设置读写器工作参数失败！ ">
        <source></source>
        <translation> Writing work parameters failed! </translation>
    </message>
    <message id=" 设置当前操作天线成功！ ">
        <source></source>
        <translation> Active antenna set. </translation>
    </message>
    <message id=" 设置当前操作天线失败！">
        <source></source>
        <translation> Setting active antenna failed!</translation>
    </message>
    <message id=" 读发射机功率成功！ ">
        <source></source>
        <translation> RF power read. </translation>
    </message>
    <message id=" 读发射机功率失败！">
        <source></source>
        <translation> Reading RF power failed!</translation>
    </message>
    <message id=" 打开CW信号成功！ ">
        <source></source>
        <translation> Carrier wave on. </translation>
    </message>
    <message id=" 打开CW信号失败！">
        <source></source>
        <translation> Turning carrier wave on failed!</translation>
    </message>
    <message id=" 关闭CW信号成功！ ">
        <source></source>
        <translation> Carrier wave off. </translation>
    </message>
    <message id=" 关闭CW信号失败！">
        <source></source>
        <translation> Turning carrier wave off failed!</translation>
    </message>
    <message id=" 打开解码器电源成功！ ">
        <source></source>
        <translation> Reader chip powered on. </translation>
    </message>
    <message id=" 打开解码器电源失败！">
        <source></source>
        <translation> Powering reader chip on failed!</translation>
    </message>
    <message id=" 关闭解码器电源成功！ ">
        <source></source>
        <translation> Reader chip powered off. </translation>
    </message>
    <message id=" 关闭解码器电源失败！">
        <source></source>
        <translation> Powering reader chip off failed!</translation>
    </message>
    <message id=" 读机器工作温度成功！ ">
        <source></source>
        <translation> Temperature read. </translation>
    </message>
    <message id=" 读机器工作温度失败！">
        <source></source>
        <translation> Reading temperature failed!</translation>
    </message>
    <message id=" 机器工作温度=">
        <source></source>
        <translation> Temperature =</translation>
    </message>
    <message id="设置有效频道">
        <source></source>
        <translation>Enabled Channels</translation>
    </message>
    <message id=" 读读写器有效频道参数成功！ ">
        <source></source>
        <translation> Enabled channels read. </translation>
    </message>
    <message id=" 读读写器频率有效参数失败！">
        <source></source>
        <translation> Reading enabled channels failed!</translation>
    </message>
    <message id=" 设置读写器频率有效参数成功！ ">
        <source></source>
        <translation> Enabled channels written. </translation>
    </message>
    <message id=" 设置读写器频率有效参数失败！ ">
        <source></source>
        <translation> Writing enabled channels failed! </translation>
    </message>
    <message id="0-低速">
        <source></source>
        <translation>0-Low speed</translation>
    </message>
    <message id="1-高速">
        <source></source>
        <translation>1-High speed</translation>
    </message>
    <message id="0-定频">
        <source></source>
        <translation>0-Fixed frequency</translation>
    </message>
    <message id="1-自动跳频">
        <source></source>
        <translation>1-Frequency hopping</translation>
    </message>
    <message id="1--天线 1">
        <source></source>
        <translation>1--Antenna 1</translation>
    </message>
    <message id="2--天线 2">
        <source></source>
        <translation>2--Antenna 2</translation>
    </message>
    <message id="3--天线 3">
        <source></source>
        <translation>3--Antenna 3</translation>
    </message>
    <message id="4--天线 4">
        <source></source>
        <translation>4--Antenna 4</translation>
    </message>
    <message id="%1-频率 %2 MHz">
        <source></source>
        <translation>%1-Channel %2 MHz</translation>
    </message>
    <message id="0-国标920MHz">
        <source></source>
        <translation>0-China 920MHz</translation>
    </message>
    <message id="1-国标840MHz">
        <source></source>
        <translation>1-China 840MHz</translation>
    </message>
    <message id=" 发射机设置功率级数 =%1">
        <source></source>
        <translation> RF power setting = %1</translation>
    </message>
    <message id=" 发射机实际功率 =%1 dBm">
        <source></source>
        <translation> RF power output = %1 dBm</translation>
    </message>
    <message id=" 接收机RSSI =%1 dB">
        <source></source>
        <translation> Receiver RSSI = %1 dB</translation>
    </message>
    <message id="设备参数">
        <source></source>
        <translation>Work parameters</translation>
    </message>
    <message id="标签类型:">
        <source></source>
        <translation>Tag standard:</translation>
    </message>
    <message id="频率区域:">
        <source></source>
        <translation>Frequency region:</translation>
    </message>
    <message id="工作速率:">
        <source></source>
        <translation>Speed:</translation>
    </message>
    <message id="跳频模式：">
        <source></source>
        <translation>Hopping:</translation>
    </message>
    <message id="工作频率：">
        <source></source>
        <translation>Channel:</translation>
    </message>
    <message id="设定发射机功率：">
        <source></source>
        <translation>RF power:</translation>
    </message>
    <message id="工作天线：">
        <source></source>
        <translation>Antenna:</translation>
    </message>
    <message id="读设备参数">
        <source></source>
        <translation>Read parameters</translation>
    </message>
    <message id="设置设备参数">
        <source></source>
        <translation>Write parameters</translation>
    </message>
    <message id="设置当前工作天线">
        <source></source>
        <translation>Set active antenna</translation>
    </message>
    <message id=" 设备操作命令 ">
        <source></source>
        <translation> Device commands </translation>
    </message>
    <message id="读发射机功率及接收机RSSI">
        <source></source>
        <translation>Read RF power and RSSI</translation>
    </message>
    <message id="打开CW信号">
        <source></source>
        <translation>Carrier wave on</translation>
    </message>
    <message id="关闭CW信号">
        <source></source>
        <translation>Carrier wave off</translation>
    </message>
    <message id="打开解码器电源">
        <source></source>
        <translation>Reader chip on</translation>
    </message>
    <message id="关闭解码器电源">
        <source></source>
        <translation>Reader chip off</translation>
    </message>
    <message id="读设备温度">
        <source></source>
        <translation>Read temperature</translation>
    </message>
    <message id=" 参数 ">
        <source></source>
        <translation> Parameters </translation>
    </message>
    <message id="频率区域：">
        <source></source>
        <translation>Frequency region:</translation>
    </message>
    <message id="有效频道数据：">
        <source></source>
        <translation>Enabled channels:</translation>
    </message>
    <message id="(8个字节）">
        <source></source>
        <translation>(8 bytes)</translation>
    </message>
    <message id="读参数">
        <source></source>
        <translation>Read</translation>
    </message>
    <message id="写参数">
        <source></source>
        <translation>Write</translation>
    </message>
    <message id="写设备编号">
        <source></source>
        <translation>Write Device Number</translation>
    </message>
    <message id=" 写模块成功！ ">
        <source></source>
        <translation> Device number written. </translation>
    </message>
    <message id=" 写模块编号失败！">
        <source></source>
        <translation> Writing device number failed!</translation>
    </message>
    <message id="(1字节16进制数据)">
        <source></source>
        <translation>(1 byte, hex)</translation>
    </message>
    <message id="机器原编号: ">
        <source></source>
        <translation>Present number: </translation>
    </message>
    <message id="机器新编号:">
        <source></source>
        <translation>New number:</translation>
    </message>
    <message id="确  定">
        <source></source>
        <translation>OK</translation>
    </message>
    <message id="（返回数据 %1 字节，超过 %2 字节）">
        <source></source>
        <translation>(reply of %1 bytes, more than %2 bytes)</translation>
    </message>
    <message id=" 命令执行成功！ ">
        <source></source>
        <translation> Command done. </translation>
    </message>
    <message id=" 命令执行失败！">
        <source></source>
        <translation> Command failed!</translation>
    </message>
    <message id="命令参数错误！">
        <source></source>
        <translation>Invalid command parameters!</translation>
    </message>
    <message id="标签厂商专用命令">
        <source></source>
        <translation>Custom command</translation>
    </message>
    <message id=" 操作参数  ">
        <source></source>
        <translation> Parameters  </translation>
    </message>
    <message id="数据长度：">
        <source></source>
        <translation>Data length:</translation>
    </message>
    <message id="（位长度，2个字节）">
        <source></source>
        <translation>(in bits, 2 bytes)</translation>
    </message>
    <message id="命令数据：">
        <source></source>
        <translation>Command data:</translation>
    </message>
    <message id="命令返回数据长度：">
        <source></source>
        <translation>Reply length:</translation>
    </message>
    <message id=" 命令执行时间 ">
        <source></source>
        <translation> Command time </translation>
    </message>
    <message id="短  时">
        <source></source>
        <translation>Short</translation>
    </message>
    <message id="长  时">
        <source></source>
        <translation>Long</translation>
    </message>
    <message id="执行命令">
        <source></source>
        <translation>Run command</translation>
    </message>
    <message id=" 命令执行失败！错误代码=">
        <source></source>
        <translation> Command failed! Error code =</translation>
    </message>
    <message id=" 数据长度不对，应为8个字节的倍数！">
        <source></source>
        <translation> Wrong data length: must be a multiple of 8 bytes!</translation>
    </message>
    <message id=" 数据长度不对，应为16个字节的倍数！">
        <source></source>
        <translation> Wrong data length: must be a multiple of 16 bytes!</translation>
    </message>
    <message id=" 初始向量的数据长度不对，应为8个字节！">
        <source></source>
        <translation> Wrong initial vector length: must be 8 bytes!</translation>
    </message>
    <message id=" 初始向量的数据长度不对，应为16个字节！">
        <source></source>
        <translation> Wrong initial vector length: must be 16 bytes!</translation>
    </message>
    <message id=" 密钥长度不对，应为16个字节！">
        <source></source>
        <translation> Wrong key length: must be 16 bytes!</translation>
    </message>
    <message id="8 字节">
        <source></source>
        <translation>8 bytes</translation>
    </message>
    <message id=" 密钥长度不对，应为8个字节！">
        <source></source>
        <translation> Wrong key length: must be 8 bytes!</translation>
    </message>
    <message id="16/24 字节">
        <source></source>
        <translation>16/24 bytes</translation>
    </message>
    <message id=" 密钥长度不对，应为16个字节或24个字节！">
        <source></source>
        <translation> Wrong key length: must be 16 or 24 bytes!</translation>
    </message>
    <message id="16/32 字节">
        <source></source>
        <translation>16/32 bytes</translation>
    </message>
    <message id="16 字节">
        <source></source>
        <translation>16 bytes</translation>
    </message>
    <message id=" 密钥长度不对，应为16个字节或32个字节！">
        <source></source>
        <translation> Wrong key length: must be 16 or 32 bytes!</translation>
    </message>
    <message id="读FM151M的ID成功！ ">
        <source></source>
        <translation>FM151M ID read. </translation>
    </message>
    <message id="FM151M的型号： ">
        <source></source>
        <translation>FM151M model: </translation>
    </message>
    <message id="FM151M的软件版本号：">
        <source></source>
        <translation>FM151M firmware version:</translation>
    </message>
    <message id="FM151M的芯片序列号：">
        <source></source>
        <translation>FM151M serial number:</translation>
    </message>
    <message id=" FM151M国密命令">
        <source></source>
        <translation> FM151M security chip commands</translation>
    </message>
    <message id="（输入数据为奇数个数字，最后一个数字作为末字节的高位，低位补0）">
        <source></source>
        <translation>(odd number of digits: the last digit is the high half of the last byte, the low half is 0)</translation>
    </message>
    <message id=" FM151M 国密操作">
        <source></source>
        <translation> FM151M security chip</translation>
    </message>
    <message id="FM151M国密操作命令">
        <source></source>
        <translation>FM151M Security Chip Commands</translation>
    </message>
    <message id=" 操作结果 ">
        <source></source>
        <translation> Result </translation>
    </message>
    <message id="读芯片ID">
        <source></source>
        <translation>Read chip ID</translation>
    </message>
    <message id="生成随机数 ">
        <source></source>
        <translation>Random numbers </translation>
    </message>
    <message id="杂凑HASH算法">
        <source></source>
        <translation>Hash</translation>
    </message>
    <message id="加密解密算法">
        <source></source>
        <translation>Encrypt/decrypt</translation>
    </message>
    <message id=" 读FM151M的ID失败！">
        <source></source>
        <translation> Reading FM151M ID failed!</translation>
    </message>
    <message id="读随机数">
        <source></source>
        <translation>Read random numbers</translation>
    </message>
    <message id="随机数的长度：">
        <source></source>
        <translation>Number of bytes:</translation>
    </message>
    <message id="(以字节为单位，2个字节，最多1024个)">
        <source></source>
        <translation>(bytes, 2 bytes, at most 1024)</translation>
    </message>
    <message id=" 输出结果 ">
        <source></source>
        <translation> Output </translation>
    </message>
    <message id=" 读随机数失败！">
        <source></source>
        <translation> Reading random numbers failed!</translation>
    </message>
    <message id="（返回 %1 个随机数，超过 %2 个）">
        <source></source>
        <translation>(%1 random bytes returned, more than %2)</translation>
    </message>
    <message id=" 读随机数成功！ ">
        <source></source>
        <translation> Random numbers read. </translation>
    </message>
    <message id="HASH 杂凑算法计算">
        <source></source>
        <translation>Hash Calculation</translation>
    </message>
    <message id=" HASH 算法选择 ">
        <source></source>
        <translation> Hash algorithm </translation>
    </message>
    <message id=" 输入数据 ">
        <source></source>
        <translation> Input data </translation>
    </message>
    <message id=" 输出结果">
        <source></source>
        <translation> Output</translation>
    </message>
    <message id="HASH 计算">
        <source></source>
        <translation>Calculate hash</translation>
    </message>
    <message id=" HASH初始化失败！">
        <source></source>
        <translation> Hash initialisation failed!</translation>
    </message>
    <message id=" HASH加载数据失败！">
        <source></source>
        <translation> Loading hash data failed!</translation>
    </message>
    <message id=" HASH计算失败！">
        <source></source>
        <translation> Hash calculation failed!</translation>
    </message>
    <message id=" HASH计算成功！ ">
        <source></source>
        <translation> Hash calculated. </translation>
    </message>
    <message id="数据加密解密功能">
        <source></source>
        <translation>Encrypt and Decrypt Data</translation>
    </message>
    <message id=" 加解密算法选择 ">
        <source></source>
        <translation> Cipher algorithm </translation>
    </message>
    <message id=" 加密/解密 ">
        <source></source>
        <translation> Encrypt/decrypt </translation>
    </message>
    <message id=" 加密">
        <source></source>
        <translation> Encrypt</translation>
    </message>
    <message id=" 解密">
        <source></source>
        <translation> Decrypt</translation>
    </message>
    <message id=" 数据模式 ">
        <source></source>
        <translation> Mode </translation>
    </message>
    <message id="CBC模式">
        <source></source>
        <translation>CBC mode</translation>
    </message>
    <message id="ECB模式">
        <source></source>
        <translation>ECB mode</translation>
    </message>
    <message id="密  钥：">
        <source></source>
        <translation>Key:</translation>
    </message>
    <message id="密钥长度：">
        <source></source>
        <translation>Key length:</translation>
    </message>
    <message id="初始向量：">
        <source></source>
        <translation>Initial vector:</translation>
    </message>
    <message id="向量长度：">
        <source></source>
        <translation>Vector length:</translation>
    </message>
    <message id="加解密计算">
        <source></source>
        <translation>Run cipher</translation>
    </message>
    <message id=" Cipher 初始化失败！">
        <source></source>
        <translation> Cipher initialisation failed!</translation>
    </message>
    <message id=" Cipher加解密失败！">
        <source></source>
        <translation> Cipher operation failed!</translation>
    </message>
    <message id=" Cipher 释放成功！ ">
        <source></source>
        <translation> Cipher released. </translation>
    </message>
    <message id=" Cipher 释放失败！">
        <source></source>
        <translation> Releasing cipher failed!</translation>
    </message>
    <message id=" 命令类型不对，应以数字1到4开头！">
        <source></source>
        <translation> Wrong command type: must start with a digit from 1 to 4!</translation>
    </message>
    <message id=" 命令太长：Lc=%1，命令请求最多 %2 个字节！">
        <source></source>
        <translation> Command too long: Lc=%1, a request holds at most %2 bytes!</translation>
    </message>
    <message id=" PSAM卡发行成功！ ">
        <source></source>
        <translation> PSAM card issued. </translation>
    </message>
    <message id=" PSAM卡发行失败！ ">
        <source></source>
        <translation> Issuing PSAM card failed! </translation>
    </message>
    <message id=" PSAM 卡命令">
        <source></source>
        <translation> PSAM card commands</translation>
    </message>
    <message id="PSAM卡操作">
        <source></source>
        <translation>PSAM Card Commands</translation>
    </message>
    <message id=" 命令参数 ">
        <source></source>
        <translation> Command parameters </translation>
    </message>
    <message id=" 卡座选择 ">
        <source></source>
        <translation> Card slot </translation>
    </message>
    <message id="电源开/关">
        <source></source>
        <translation>Power on/off</translation>
    </message>
    <message id="开">
        <source></source>
        <translation>On</translation>
    </message>
    <message id="关">
        <source></source>
        <translation>Off</translation>
    </message>
    <message id="1--命令类型1">
        <source></source>
        <translation>1--Command type 1</translation>
    </message>
    <message id="2--命令类型2">
        <source></source>
        <translation>2--Command type 2</translation>
    </message>
    <message id="3--命令类型3">
        <source></source>
        <translation>3--Command type 3</translation>
    </message>
    <message id="4--命令类型4">
        <source></source>
        <translation>4--Command type 4</translation>
    </message>
    <message id="命令类型： ">
        <source></source>
        <translation>Command type: </translation>
    </message>
    <message id="命令码：">
        <source></source>
        <translation>Command:</translation>
    </message>
    <message id="命令长度(Lc)：">
        <source></source>
        <translation>Command length (Lc):</translation>
    </message>
    <message id="返回长度(Le):">
        <source></source>
        <translation>Reply length (Le):</translation>
    </message>
    <message id=" 命令返回值 ">
        <source></source>
        <translation> Reply </translation>
    </message>
    <message id="PSAM 电源">
        <source></source>
        <translation>PSAM power</translation>
    </message>
    <message id="PSAM 复位">
        <source></source>
        <translation>PSAM reset</translation>
    </message>
    <message id="PSAM 命令">
        <source></source>
        <translation>PSAM commands</translation>
    </message>
    <message id=" 电源操作成功！ ">
        <source></source>
        <translation> Power switched. </translation>
    </message>
    <message id=" 电源操作失败！">
        <source></source>
        <translation> Switching power failed!</translation>
    </message>
    <message id=" 复位操作成功！ ">
        <source></source>
        <translation> Card reset. </translation>
    </message>
    <message id=" 复位操作失败！">
        <source></source>
        <translation> Card reset failed!</translation>
    </message>
    <message id=" 命令操作失败！">
        <source></source>
        <translation> Command failed!</translation>
    </message>
    <message id=" 命令操作成功！ ">
        <source></source>
        <translation> Command done. </translation>
    </message>
    <message id="复旦微电子PSAM卡发行">
        <source></source>
        <translation>Fudan PSAM Card Issue</translation>
    </message>
    <message id=" 输入密码 ">
        <source></source>
        <translation> Keys </translation>
    </message>
    <message id="卡片传输密码：">
        <source></source>
        <translation>Card transport key:</translation>
    </message>
    <message id="卡片主控密码：">
        <source></source>
        <translation>Card master key:</translation>
    </message>
    <message id="应用控制密码：">
        <source></source>
        <translation>Application master key:</translation>
    </message>
    <message id="SM7_00 密码：">
        <source></source>
        <translation>SM7_00 key:</translation>
    </message>
    <message id="SM7_01 密码：">
        <source></source>
        <translation>SM7_01 key:</translation>
    </message>
    <message id="应用密码：">
        <source></source>
        <translation>Application key:</translation>
    </message>
    <message id="（16个字节）">
        <source></source>
        <translation>(16 bytes)</translation>
    </message>
    <message id="PSAM卡发行">
        <source></source>
        <translation>Issue PSAM card</translation>
    </message>
    <message id="标签安全鉴别">
        <source></source>
        <translation>Tag Authentication</translation>
    </message>
    <message id="标签密钥分散">
        <source></source>
        <translation>Diversify tag key</translation>
    </message>
    <message id="密钥标识：">
        <source></source>
        <translation>Key identifier:</translation>
    </message>
    <message id="复旦标签双向鉴别">
        <source></source>
        <translation>Fudan tag mutual authentication</translation>
    </message>
    <message id=" 复旦标签双向鉴别成功！ ">
        <source></source>
        <translation> Fudan tag mutual authentication succeeded. </translation>
    </message>
    <message id=" 复旦标签双向鉴别失败！">
        <source></source>
        <translation> Fudan tag mutual authentication failed!</translation>
    </message>
    <message id="安全鉴别">
        <source></source>
        <translation>Authenticate</translation>
    </message>
    <message id="读安全参数">
        <source></source>
        <translation>Read security parameters</translation>
    </message>
    <message id=" 读标签安全参数失败！">
        <source></source>
        <translation> Reading tag security parameters failed!</translation>
    </message>
    <message id=" 读标签安全参数成功！ ">
        <source></source>
        <translation> Tag security parameters read. </translation>
    </message>
    <message id="复旦微电子专用命令">
        <source></source>
        <translation>Fudan Tag Commands</translation>
    </message>
    <message id="读出的安全参数：">
        <source></source>
        <translation>Security parameters read:</translation>
    </message>
    <message id="待写入的安全参数：">
        <source></source>
        <translation>Security parameters to write:</translation>
    </message>
    <message id="安全口令校验密码：">
        <source></source>
        <translation>Security password check key:</translation>
    </message>
    <message id="安全口令写入密码：">
        <source></source>
        <translation>Security password write key:</translation>
    </message>
    <message id=" 安全口令锁定参数 ">
        <source></source>
        <translation> Security password lock </translation>
    </message>
    <message id="可写">
        <source></source>
        <translation>Writable</translation>
    </message>
    <message id="只读">
        <source></source>
        <translation>Read only</translation>
    </message>
    <message id="写安全参数">
        <source></source>
        <translation>Write security parameters</translation>
    </message>
    <message id="写鉴别密码">
        <source></source>
        <translation>Write authentication key</translation>
    </message>
    <message id="安全口令校验">
        <source></source>
        <translation>Check security password</translation>
    </message>
    <message id="安全口令更新">
        <source></source>
        <translation>Update security password</translation>
    </message>
    <message id="安全口令锁定">
        <source></source>
        <translation>Lock security password</translation>
    </message>
    <message id="读标签锁定信息">
        <source></source>
        <translation>Read lock status</translation>
    </message>
    <message id="退出快速初始化模式">
        <source></source>
        <translation>Leave quick initialisation</translation>
    </message>
    <message id="双向鉴别">
        <source></source>
        <translation>Mutual authentication</translation>
    </message>
    <message id=" 写安全参数成功！ ">
        <source></source>
        <translation> Security parameters written. </translation>
    </message>
    <message id=" 写安全参数失败！ ">
        <source></source>
        <translation> Writing security parameters failed! </translation>
    </message>
    <message id=" 安全口令校验成功！ ">
        <source></source>
        <translation> Security password checked. </translation>
    </message>
    <message id=" 安全口令校验失败！ ">
        <source></source>
        <translation> Security password check failed! </translation>
    </message>
    <message id=" 安全口令更新成功！ ">
        <source></source>
        <translation> Security password updated. </translation>
    </message>
    <message id=" 安全口令锁定成功！ ">
        <source></source>
        <translation> Security password locked. </translation>
    </message>
    <message id=" 安全口令锁定失败！ 错误代码=">
        <source></source>
        <translation> Locking security password failed! Error code =</translation>
    </message>
    <message id=" 退出标签快速初始化模式成功！ ">
        <source></source>
        <translation> Tag left quick initialisation mode. </translation>
    </message>
    <message id=" 退出标签快速初始化模式失败！ ">
        <source></source>
        <translation> Leaving quick initialisation mode failed! </translation>
    </message>
    <message id=" 读标签锁定信息失败！">
        <source></source>
        <translation> Reading lock status failed!</translation>
    </message>
    <message id=" 读标签锁定信息成功！ = ">
        <source></source>
        <translation> Lock status read = </translation>
    </message>
    <message id="设置标签的鉴别密钥">
        <source></source>
        <translation>Tag Authentication Key</translation>
    </message>
    <message id=" 密码数据 ">
        <source></source>
        <translation> Key data </translation>
    </message>
    <message id="加密密钥标识：">
        <source></source>
        <translation>Encryption key identifier:</translation>
    </message>
    <message id="（1个字节）">
        <source></source>
        <translation>(1 byte)</translation>
    </message>
    <message id="标签密钥：">
        <source></source>
        <translation>Tag key:</translation>
    </message>
    <message id="（16字节）">
        <source></source>
        <translation>(16 bytes)</translation>
    </message>
    <message id="计算分散密钥">
        <source></source>
        <translation>Diversify key</translation>
    </message>
    <message id="写标签密钥">
        <source></source>
        <translation>Write tag key</translation>
    </message>
    <message id=" 计算标签的分散密钥成功！ ">
        <source></source>
        <translation> Diversified tag key calculated. </translation>
    </message>
    <message id=" 计算标签的分散密钥失败！ ">
        <source></source>
        <translation> Calculating diversified tag key failed! </translation>
    </message>
    <message id=" 鉴别密钥设置成功！ ">
        <source></source>
        <translation> Authentication key set. </translation>
    </message>
    <message id=" 鉴别密钥设置失败！ ">
        <source></source>
        <translation> Setting authentication key failed! </translation>
    </message>
    <message id="复旦微电子标签专用命令">
        <source></source>
        <translation>Fudan Tag Block Commands</translation>
    </message>
    <message id=" 操作参数及结果  ">
        <source></source>
        <translation> Parameters and result  </translation>
    </message>
    <message id=" 用户子区 ">
        <source></source>
        <translation> User sub-area </translation>
    </message>
    <message id="用户子区2">
        <source></source>
        <translation>User sub-area 2</translation>
    </message>
    <message id="用户子区3">
        <source></source>
        <translation>User sub-area 3</translation>
    </message>
    <message id="起始地址：">
        <source></source>
        <translation>Start address:</translation>
    </message>
    <message id="(以字为单位，2个字节）">
        <source></source>
        <translation>(in words, 2 bytes)</translation>
    </message>
    <message id="数  据：">
        <source></source>
        <translation>Data:</translation>
    </message>
    <message id=" 锁定信息 ">
        <source></source>
        <translation> Lock </translation>
    </message>
    <message id="可读可写">
        <source></source>
        <translation>Read and write</translation>
    </message>
    <message id="可读不可写">
        <source></source>
        <translation>Read, no write</translation>
    </message>
    <message id="不可读可写">
        <source></source>
        <translation>Write, no read</translation>
    </message>
    <message id="不可读不可写">
        <source></source>
        <translation>No read, no write</translation>
    </message>
    <message id="读取数据">
        <source></source>
        <translation>Read data</translation>
    </message>
    <message id="写入数据">
        <source></source>
        <translation>Write data</translation>
    </message>
    <message id="擦除数据">
        <source></source>
        <translation>Erase data</translation>
    </message>
    <message id="读取标签设置信息">
        <source></source>
        <translation>Read tag settings</translation>
    </message>
    <message id="锁定数据">
        <source></source>
        <translation>Lock data</translation>
    </message>
    <message id=" 写标签数据失败！">
        <source></source>
        <translation> Writing tag data failed!</translation>
    </message>
    <message id=" 数据长度最多%1个字！">
        <source></source>
        <translation> At most %1 words of data!</translation>
    </message>
    <message id=" 写标签数据成功！ ">
        <source></source>
        <translation> Tag data written. </translation>
    </message>
    <message id=" 块擦除标签数据成功！ ">
        <source></source>
        <translation> Tag data erased. </translation>
    </message>
    <message id=" 块擦除标签数据失败！">
        <source></source>
        <translation> Erasing tag data failed!</translation>
    </message>
    <message id=" 锁定标签成功！ ">
        <source></source>
        <translation> Tag locked. </translation>
    </message>
    <message id=" 锁定标签失败！">
        <source></source>
        <translation> Locking tag failed!</translation>
    </message>
    <message id=" 错误代码=">
        <source></source>
        <translation> Error code =</translation>
    </message>
    <message id=" 读标签数据失败！">
        <source></source>
        <translation> Reading tag data failed!</translation>
    </message>
    <message id="错误代码=">
        <source></source>
        <translation>Error code =</translation>
    </message>
    <message id=" 读标签数据成功！ ">
        <source></source>
        <translation> Tag data read. </translation>
    </message>
    <message id="环境变量 KESTREL_LIBRARY">
        <source></source>
        <translation>KESTREL_LIBRARY environment variable</translation>
    </message>
    <message id="程序所在目录">
        <source></source>
        <translation>program folder</translation>
    </message>
    <message id="程序的上一级目录">
        <source></source>
        <translation>folder above the program</translation>
    </message>
    <message id="构建目录">
        <source></source>
        <translation>build folder</translation>
    </message>
    <message id="系统库搜索路径">
        <source></source>
        <translation>system library path</translation>
    </message>
    <message id="  %1. %2（%3）：%4">
        <source></source>
        <translation>  %1. %2 (%3): %4</translation>
    </message>
    <message id="找不到读写器驱动库 kestrel（%1），命令没有执行。">
        <source></source>
        <translation>The reader library kestrel (%1) was not found; the command was not run.</translation>
    </message>
    <message id="查找顺序：">
        <source></source>
        <translation>Looked for in this order:</translation>
    </message>
    <message id="可用环境变量 KESTREL_LIBRARY 指定库文件的完整路径。">
        <source></source>
        <translation>The KESTREL_LIBRARY environment variable can name the library file's full path.</translation>
    </message>
    <message id="读写器驱动库 %1 中没有函数 %2，命令没有执行。">
        <source></source>
        <translation>The reader library %1 has no function %2; the command was not run.</translation>
    </message>
    <message id="Heron（UHF） 通用读写器测试应用程序">
        <source></source>
        <translation>Heron (UHF) Reader Test Application</translation>
    </message>
    <message id=" 设备联接成功！">
        <source></source>
        <translation> Reader connected.</translation>
    </message>
    <message id=" 设备联接不成功！">
        <source></source>
        <translation> Connecting the reader failed!</translation>
    </message>
    <message id=" 断开联接成功！">
        <source></source>
        <translation> Disconnected.</translation>
    </message>
    <message id=" 波特率“%1”不是十进制数字，没有联接！">
        <source></source>
        <translation> Baud rate "%1" is not a decimal number; not connected!</translation>
    </message>
    <message id="联  接">
        <source></source>
        <translation>Connect</translation>
    </message>
    <message id="断开联接">
        <source></source>
        <translation>Disconnect</translation>
    </message>
    <message id="TCP连接">
        <source></source>
        <translation>TCP connect</translation>
    </message>
    <message id="设备参数设置命令">
        <source></source>
        <translation>Device settings</translation>
    </message>
    <message id=" 设备参数设置命令集">
        <source></source>
        <translation> Device settings</translation>
    </message>
    <message id="(该组命令完成对读写器的系统各项参数的设置等)">
        <source></source>
        <translation>(the reader's system settings)</translation>
    </message>
    <message id="设备工作参数设置命令集">
        <source></source>
        <translation>Work parameters</translation>
    </message>
    <message id=" 设备工作参数设置命令集 ">
        <source></source>
        <translation> Work parameters </translation>
    </message>
    <message id="该组命令完成对读写器工作时各项参数的设置等）">
        <source></source>
        <translation>(the reader's working parameters)</translation>
    </message>
    <message id="EPC标签操作命令">
        <source></source>
        <translation>EPC tag commands</translation>
    </message>
    <message id="GB/T29768标签操作命令">
        <source></source>
        <translation>GB/T 29768 tag commands</translation>
    </message>
    <message id="GJB/7377.1标签操作命令">
        <source></source>
        <translation>GJB 7377.1 tag commands</translation>
    </message>
    <message id=" 标签操作命令集 ">
        <source></source>
        <translation> Tag commands </translation>
    </message>
    <message id="PSAM卡命令">
        <source></source>
        <translation>PSAM card commands</translation>
    </message>
    <message id=" PSAM 命令 ">
        <source></source>
        <translation> PSAM commands </translation>
    </message>
    <message id=" 自动测试 ">
        <source></source>
        <translation> Automatic tests </translation>
    </message>
    <message id="GB标签测试">
        <source></source>
        <translation>GB tag test</translation>
    </message>
    <message id="EPC标签测试">
        <source></source>
        <translation>EPC tag test</translation>
    </message>
    <message id="GJB标签测试">
        <source></source>
        <translation>GJB tag test</translation>
    </message>
    <message id="GB循环读">
        <source></source>
        <translation>GB loop read</translation>
    </message>
    <message id="EPC循环读">
        <source></source>
        <translation>EPC loop read</translation>
    </message>
    <message id="GJB循环读">
        <source></source>
        <translation>GJB loop read</translation>
    </message>
    <message id="门禁读卡头参数设置">
        <source></source>
        <translation>Card reader output</translation>
    </message>
    <message id=" 门禁读卡头应用参数设置 ">
        <source></source>
        <translation> Access control card reader </translation>
    </message>
    <message id="(该功能用于将读写器配置为门禁读卡头）">
        <source></source>
        <translation>(sets the reader up as an access control card reader)</translation>
    </message>
    <message id=" 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) ">
        <source></source>
        <translation> LED and buzzer driven. (Wait until they stop before the next command.) </translation>
    </message>
    <message id=" 驱动LED和蜂鸣器失败！">
        <source></source>
        <translation> Driving LED and buzzer failed!</translation>
    </message>
    <message id=" 机器复位成功！请等待机器重启后再作其他功能. ">
        <source></source>
        <translation> Reader reset. Wait for the reader to restart before the next command. </translation>
    </message>
    <message id=" 机器复位失败！">
        <source></source>
        <translation> Resetting the reader failed!</translation>
    </message>
    <message id="Heron（UHF） 电子标签通用读写器应用程序（1.0）">
        <source></source>
        <translation>Heron (UHF) RFID Reader Application (1.0)</translation>
    </message>
    <message id="没有名为 %1 的窗口，按钮没有打开任何窗口。">
        <source></source>
        <translation>There is no window named %1; the button opened nothing.</translation>
    </message>
    <message id=" 系统命令 ">
        <source></source>
        <translation> System commands </translation>
    </message>
    <message id="机器编号:">
        <source></source>
        <translation>Device no.:</translation>
    </message>
    <message id="(16进制)">
        <source></source>
        <translation>(hex)</translation>
    </message>
    <message id="通信串口:">
        <source></source>
        <translation>Port:</translation>
    </message>
    <message id="波特率:">
        <source></source>
        <translation>Baud rate:</translation>
    </message>
    <message id=" 锁定标签失败！ 错误代码=">
        <source></source>
        <translation> Locking tag failed! Error code =</translation>
    </message>
    <message id=" 灭活标签成功！ ">
        <source></source>
        <translation> Tag killed. </translation>
    </message>
    <message id=" 灭活标签失败！">
        <source></source>
        <translation> Killing tag failed!</translation>
    </message>
    <message id=" 灭活标签失败！ 错误代码=">
        <source></source>
        <translation> Killing tag failed! Error code =</translation>
    </message>
    <message id=" 休眠标签成功！ ">
        <source></source>
        <translation> Tag halted. </translation>
    </message>
    <message id=" 休眠标签失败！">
        <source></source>
        <translation> Halting tag failed!</translation>
    </message>
    <message id=" 唤醒标签失败！">
        <source></source>
        <translation> Waking tag failed!</translation>
    </message>
    <message id=" 唤醒标签失败！ 应答数据长度 %1 字节，超过 %2 字节！">
        <source></source>
        <translation> Waking tag failed! Reply of %1 bytes, more than %2 bytes!</translation>
    </message>
    <message id=" 唤醒标签失败！ 匹配存储区“%1”不以数字开头！">
        <source></source>
        <translation> Waking tag failed! Match bank "%1" does not start with a digit!</translation>
    </message>
    <message id="保留">
        <source></source>
        <translation>Reserved</translation>
    </message>
    <message id="不需要鉴别">
        <source></source>
        <translation>No authentication</translation>
    </message>
    <message id="需要鉴别，不需要安全通信">
        <source></source>
        <translation>Authentication, no secure channel</translation>
    </message>
    <message id="需要鉴别，需要安全通信">
        <source></source>
        <translation>Authentication and secure channel</translation>
    </message>
    <message id="标签信息区">
        <source></source>
        <translation>Tag info area</translation>
    </message>
    <message id="编码区">
        <source></source>
        <translation>Code area</translation>
    </message>
    <message id="安全区">
        <source></source>
        <translation>Security area</translation>
    </message>
    <message id="用户区">
        <source></source>
        <translation>User area</translation>
    </message>
    <message id="锁定标签">
        <source></source>
        <translation>Lock tag</translation>
    </message>
    <message id=" 灭活口令锁定 ">
        <source></source>
        <translation> Kill password lock </translation>
    </message>
    <message id=" 访问口令锁定 ">
        <source></source>
        <translation> Access password lock </translation>
    </message>
    <message id=" EPC区锁定 ">
        <source></source>
        <translation> EPC bank lock </translation>
    </message>
    <message id=" TID区锁定 ">
        <source></source>
        <translation> TID bank lock </translation>
    </message>
    <message id=" 用户区锁定 ">
        <source></source>
        <translation> User bank lock </translation>
    </message>
    <message id=" 锁定参数 ">
        <source></source>
        <translation> Lock parameters </translation>
    </message>
    <message id="有效/无效">
        <source></source>
        <translation>Apply</translation>
    </message>
    <message id="读/写保护">
        <source></source>
        <translation>Read/write protect</translation>
    </message>
    <message id="写保护">
        <source></source>
        <translation>Write protect</translation>
    </message>
    <message id="永久锁定">
        <source></source>
        <translation>Permanent</translation>
    </message>
    <message id=" 存储区 ">
        <source></source>
        <translation> Memory area </translation>
    </message>
    <message id=" 配置 ">
        <source></source>
        <translation> Setting </translation>
    </message>
    <message id="配置存储器属性">
        <source></source>
        <translation>Memory attributes</translation>
    </message>
    <message id="配置安全模式">
        <source></source>
        <translation>Security mode</translation>
    </message>
    <message id=" 锁定动作 ">
        <source></source>
        <translation> Lock action </translation>
    </message>
    <message id="灭活（KILL）标签">
        <source></source>
        <translation>Kill Tag</translation>
    </message>
    <message id="灭活标签">
        <source></source>
        <translation>Kill tag</translation>
    </message>
    <message id="休眠标签">
        <source></source>
        <translation>Halt tag</translation>
    </message>
    <message id="唤醒标签">
        <source></source>
        <translation>Wake tag</translation>
    </message>
    <message id=" 待唤醒标签的匹配参数 ">
        <source></source>
        <translation> Match parameters of the tag to wake </translation>
    </message>
    <message id="0--标签信息区">
        <source></source>
        <translation>0--Tag info area</translation>
    </message>
    <message id="1--编码区">
        <source></source>
        <translation>1--Code area</translation>
    </message>
    <message id="2--安全区">
        <source></source>
        <translation>2--Security area</translation>
    </message>
    <message id="3--用户区">
        <source></source>
        <translation>3--User area</translation>
    </message>
    <message id="匹配存储区：">
        <source></source>
        <translation>Match bank:</translation>
    </message>
    <message id="匹配启始地址：">
        <source></source>
        <translation>Match start address:</translation>
    </message>
    <message id="(以位为单位，2个字节)">
        <source></source>
        <translation>(in bits, 2 bytes)</translation>
    </message>
    <message id="匹配长度：">
        <source></source>
        <translation>Match length:</translation>
    </message>
    <message id="(以位为单位，1个字节)">
        <source></source>
        <translation>(in bits, 1 byte)</translation>
    </message>
    <message id="匹配值：">
        <source></source>
        <translation>Match value:</translation>
    </message>
    <message id="操作结果：">
        <source></source>
        <translation>Result:</translation>
    </message>
    <message id=" 唤醒标签成功, EPC = ">
        <source></source>
        <translation> Tag woken, EPC = </translation>
    </message>
    <message id=" 唤醒标签成功, 编码区= ">
        <source></source>
        <translation> Tag woken, code area = </translation>
    </message>
    <message id="用户区 %1">
        <source></source>
        <translation>User area %1</translation>
    </message>
    <message id=" 读盘存参数成功！ ">
        <source></source>
        <translation> Inventory parameters read. </translation>
    </message>
    <message id=" 读盘存参数失败！">
        <source></source>
        <translation> Reading inventory parameters failed!</translation>
    </message>
    <message id=" 写盘存参数成功！ ">
        <source></source>
        <translation> Inventory parameters written. </translation>
    </message>
    <message id=" 写盘存参数失败！">
        <source></source>
        <translation> Writing inventory parameters failed!</translation>
    </message>
    <message id=" 启动轮询成功！ ">
        <source></source>
        <translation> Inventory started. </translation>
    </message>
    <message id=" 启动轮询失败！ ">
        <source></source>
        <translation> Starting inventory failed! </translation>
    </message>
    <message id=" 读标签轮询数据成功！ ">
        <source></source>
        <translation> Tag list read. </translation>
    </message>
    <message id=" 读标签轮询数据失败！ ">
        <source></source>
        <translation> Reading tag list failed! </translation>
    </message>
    <message id="共有标签数量=">
        <source></source>
        <translation>Tags in all =</translation>
    </message>
    <message id="本次传送数量=">
        <source></source>
        <translation>Tags in this block =</translation>
    </message>
    <message id=" 标签列表数据块长度 %1 字节，超过 %2 字节，没有全部显示！">
        <source></source>
        <translation> Tag list block of %1 bytes, more than %2 bytes: not all shown!</translation>
    </message>
    <message id=" 第 %1 个标签记录（长度 %2）超出收到的数据，其后的标签记录没有显示！">
        <source></source>
        <translation> Tag record %1 (length %2) runs past the data received: it and the records after it are not shown!</translation>
    </message>
    <message id=" 标签总数 %1 不小于 32768，数据有误！">
        <source></source>
        <translation> Tag total %1 is 32768 or more: the data is wrong!</translation>
    </message>
    <message id=" 标签盘存 ">
        <source></source>
        <translation> Tag Inventory </translation>
    </message>
    <message id=" 待盘存标签的匹配参数(16进制） ">
        <source></source>
        <translation> Select parameters of the tags to inventory (hex) </translation>
    </message>
    <message id="(位地址，2个字节）">
        <source></source>
        <translation>(bit address, 2 bytes)</translation>
    </message>
    <message id="(位长度，1个字节）">
        <source></source>
        <translation>(bit length, 1 byte)</translation>
    </message>
    <message id=" 盘存参数 ">
        <source></source>
        <translation> Inventory parameters </translation>
    </message>
    <message id="Q 值：">
        <source></source>
        <translation>Q value:</translation>
    </message>
    <message id="盘存时间：">
        <source></source>
        <translation>Inventory time:</translation>
    </message>
    <message id="(50 毫秒为单位）">
        <source></source>
        <translation>(units of 50 ms)</translation>
    </message>
    <message id="参数存贮在读写器中">
        <source></source>
        <translation>Stored in the reader</translation>
    </message>
    <message id="读取参数">
        <source></source>
        <translation>Read parameters</translation>
    </message>
    <message id="设置参数">
        <source></source>
        <translation>Write parameters</translation>
    </message>
    <message id="盘存标签">
        <source></source>
        <translation>Inventory</translation>
    </message>
    <message id="0--从头读">
        <source></source>
        <translation>0--From the start</translation>
    </message>
    <message id="1--重  读">
        <source></source>
        <translation>1--Again</translation>
    </message>
    <message id="2--继续读">
        <source></source>
        <translation>2--Continue</translation>
    </message>
    <message id="读数据标志:">
        <source></source>
        <translation>Read mode:</translation>
    </message>
    <message id="读数据长度:">
        <source></source>
        <translation>Read length:</translation>
    </message>
    <message id="启动盘存">
        <source></source>
        <translation>Start inventory</translation>
    </message>
    <message id="读盘存数据">
        <source></source>
        <translation>Read tag list</translation>
    </message>
    <message id="测   试">
        <source></source>
        <translation>Test</translation>
    </message>
    <message id="断   开">
        <source></source>
        <translation>Stop</translation>
    </message>
    <message id="循环次数：%1    失败次数：%2">
        <source></source>
        <translation>Cycles: %1    Failed: %2</translation>
    </message>
    <message id="EPC循环读写测试">
        <source></source>
        <translation>EPC Loop Read/Write Test</translation>
    </message>
    <message id="GB标签循环读写测试">
        <source></source>
        <translation>GB Tag Loop Read/Write Test</translation>
    </message>
    <message id="GJB标签循环读写测试">
        <source></source>
        <translation>GJB Tag Loop Read/Write Test</translation>
    </message>
    <message id=" 参数选择 ">
        <source></source>
        <translation> Options </translation>
    </message>
    <message id="密码效验">
        <source></source>
        <translation>Password check</translation>
    </message>
    <message id="读操作">
        <source></source>
        <translation>Read</translation>
    </message>
    <message id="写操作">
        <source></source>
        <translation>Write</translation>
    </message>
    <message id="读标签数据">
        <source></source>
        <translation>Read tag data</translation>
    </message>
    <message id=" 待读数据块号 ">
        <source></source>
        <translation> Data to read </translation>
    </message>
    <message id=" 读出数据内容 ">
        <source></source>
        <translation> Data read </translation>
    </message>
    <message id=" 读标签数据失败！错误代码=">
        <source></source>
        <translation> Reading tag data failed! Error code =</translation>
    </message>
    <message id="写标签数据">
        <source></source>
        <translation>Write tag data</translation>
    </message>
    <message id=" 待写数据参数(16进制数) ">
        <source></source>
        <translation> Data to write (hex) </translation>
    </message>
    <message id=" 待写数据块">
        <source></source>
        <translation> Data block to write</translation>
    </message>
    <message id=" 写标签数据失败！ 错误代码=">
        <source></source>
        <translation> Writing tag data failed! Error code =</translation>
    </message>
    <message id="块写入标签数据">
        <source></source>
        <translation>Block Write Tag Data</translation>
    </message>
    <message id=" 待写数据块参数(16进制) ">
        <source></source>
        <translation> Block to write (hex) </translation>
    </message>
    <message id=" 块写标签数据成功！ ">
        <source></source>
        <translation> Block written. </translation>
    </message>
    <message id=" 块写标签数据失败！ 错误代码=">
        <source></source>
        <translation> Block write failed! Error code =</translation>
    </message>
    <message id=" 块写标签数据失败！">
        <source></source>
        <translation> Block write failed!</translation>
    </message>
    <message id="块擦除标签数据">
        <source></source>
        <translation>Block Erase Tag Data</translation>
    </message>
    <message id=" 待擦除数据块参数(16进制数) ">
        <source></source>
        <translation> Block to erase (hex) </translation>
    </message>
    <message id=" 待擦除数据块号 ">
        <source></source>
        <translation> Data to erase </translation>
    </message>
    <message id="擦除标签数据">
        <source></source>
        <translation>Erase tag data</translation>
    </message>
    <message id=" 块擦除标签数据失败！ 错误代码=">
        <source></source>
        <translation> Erasing tag data failed! Error code =</translation>
    </message>
    <message id=" 读标签数据失败！返回数据长度 %1 字节，超过 200 字节">
        <source></source>
        <translation> Reading tag data failed! Reply of %1 bytes, more than 200 bytes</translation>
    </message>
    <message id="（写入 %1 个字，多出的数据没有写入）">
        <source></source>
        <translation>(%1 words written; the data beyond them was not written)</translation>
    </message>
    <message id="用户区 ">
        <source></source>
        <translation>User area </translation>
    </message>
    <message id="存储体：">
        <source></source>
        <translation>Memory bank:</translation>
    </message>
    <message id="(以字为单位，1个字节）">
        <source></source>
        <translation>(in words, 1 byte)</translation>
    </message>
    <message id="(以字为单位,2个字节)">
        <source></source>
        <translation>(in words, 2 bytes)</translation>
    </message>
    <message id="(以字为单位,1个字节)">
        <source></source>
        <translation>(in words, 1 byte)</translation>
    </message>
    <message id="(以字为单位,2个字节）">
        <source></source>
        <translation>(in words, 2 bytes)</translation>
    </message>
    <message id="(以字为单位,1个字节）">
        <source></source>
        <translation>(in words, 1 byte)</translation>
    </message>
    <message id="待写数据： ">
        <source></source>
        <translation>Data to write: </translation>
    </message>
    <message id=" 密码设置成功！ ">
        <source></source>
        <translation> Passwords set. </translation>
    </message>
    <message id=" 密码设置失败！ ">
        <source></source>
        <translation> Setting passwords failed! </translation>
    </message>
    <message id=" 密码校验成功！ ">
        <source></source>
        <translation> Password checked. </translation>
    </message>
    <message id=" 密码校验失败！ ">
        <source></source>
        <translation> Password check failed! </translation>
    </message>
    <message id="密码设置">
        <source></source>
        <translation>Set Passwords</translation>
    </message>
    <message id="（读写器对标签的访问密码）">
        <source></source>
        <translation>(the passwords the reader uses towards tags)</translation>
    </message>
    <message id="访问密码：">
        <source></source>
        <translation>Access password:</translation>
    </message>
    <message id="灭活密码：">
        <source></source>
        <translation>Kill password:</translation>
    </message>
    <message id="（每个密码为4字节十六进制数)">
        <source></source>
        <translation>(each password 4 bytes, hex)</translation>
    </message>
    <message id="读密码：">
        <source></source>
        <translation>Read password:</translation>
    </message>
    <message id="写密码：">
        <source></source>
        <translation>Write password:</translation>
    </message>
    <message id="密码设置(将操作口令传送到读写器）">
        <source></source>
        <translation>Set passwords (sent to the reader)</translation>
    </message>
    <message id="灭活口令：">
        <source></source>
        <translation>Kill password:</translation>
    </message>
    <message id="锁定口令：">
        <source></source>
        <translation>Lock password:</translation>
    </message>
    <message id="读口令：">
        <source></source>
        <translation>Read password:</translation>
    </message>
    <message id="写口令：">
        <source></source>
        <translation>Write password:</translation>
    </message>
    <message id=" 密码内容 ">
        <source></source>
        <translation> Passwords </translation>
    </message>
    <message id="存贮在读写器中">
        <source></source>
        <translation>Stored in the reader</translation>
    </message>
    <message id="灭活密码:">
        <source></source>
        <translation>Kill password:</translation>
    </message>
    <message id="锁定密码:">
        <source></source>
        <translation>Lock password:</translation>
    </message>
    <message id="读密码:">
        <source></source>
        <translation>Read password:</translation>
    </message>
    <message id="写密码:">
        <source></source>
        <translation>Write password:</translation>
    </message>
    <message id="设置密码">
        <source></source>
        <translation>Set passwords</translation>
    </message>
    <message id="校验访问密码">
        <source></source>
        <translation>Check access password</translation>
    </message>
    <message id="读取口令">
        <source></source>
        <translation>Read password</translation>
    </message>
    <message id="写入口令">
        <source></source>
        <translation>Write password</translation>
    </message>
    <message id="校验访问口令">
        <source></source>
        <translation>Check access password</translation>
    </message>
    <message id="锁定口令">
        <source></source>
        <translation>Lock password</translation>
    </message>
    <message id="灭活口令">
        <source></source>
        <translation>Kill password</translation>
    </message>
    <message id=" 校验参数  ">
        <source></source>
        <translation> Check parameters  </translation>
    </message>
    <message id=" 口令类别 ">
        <source></source>
        <translation> Password </translation>
    </message>
    <message id="校验密码">
        <source></source>
        <translation>Check password</translation>
    </message>
    <message id="修改标签访问密码">
        <source></source>
        <translation>Change Tag Access Password</translation>
    </message>
    <message id="修改标签密码">
        <source></source>
        <translation>Change Tag Password</translation>
    </message>
    <message id=" 待改写密码的数据 ">
        <source></source>
        <translation> New password </translation>
    </message>
    <message id=" 写标签口令数据成功！ ">
        <source></source>
        <translation> Tag password written. </translation>
    </message>
    <message id=" 写标签口令数据失败！">
        <source></source>
        <translation> Writing tag password failed!</translation>
    </message>
    <message id="修改密码">
        <source></source>
        <translation>Change password</translation>
    </message>
    <message id="00-标签信息区">
        <source></source>
        <translation>00-Tag info area</translation>
    </message>
    <message id="01-编码区">
        <source></source>
        <translation>01-Code area</translation>
    </message>
    <message id="02-安全区">
        <source></source>
        <translation>02-Security area</translation>
    </message>
    <message id="%1-用户区 %2">
        <source></source>
        <translation>%1-User area %2</translation>
    </message>
    <message id="EPC电子标签操作命令">
        <source></source>
        <translation>EPC Tag Commands</translation>
    </message>
    <message id="掩码启始地址：">
        <source></source>
        <translation>Mask start address:</translation>
    </message>
    <message id="块写入标签">
        <source></source>
        <translation>Block write</translation>
    </message>
    <message id="块擦除标签">
        <source></source>
        <translation>Block erase</translation>
    </message>
    <message id=" 标签 EPC 列表 ">
        <source></source>
        <translation> Tag EPC list </translation>
    </message>
    <message id="GB/T 29768-2013 电子标签操作命令">
        <source></source>
        <translation>GB/T 29768-2013 Tag Commands</translation>
    </message>
    <message id="00--标签信息区">
        <source></source>
        <translation>00--Tag info area</translation>
    </message>
    <message id="复旦标签专用命令">
        <source></source>
        <translation>Fudan tag commands</translation>
    </message>
    <message id=" 标签列表: 数据长度 + 安全字 + 编码区 ">
        <source></source>
        <translation> Tag list: length + security word + code area </translation>
    </message>
    <message id="数据长度 + 安全字 + 编码区 ">
        <source></source>
        <translation>Length + security word + code area </translation>
    </message>
    <message id="GJB 7377.1-2011 电子标签操作命令">
        <source></source>
        <translation>GJB 7377.1-2011 Tag Commands</translation>
    </message>
    <message id="0-标签信息区">
        <source></source>
        <translation>0-Tag info area</translation>
    </message>
    <message id="1-编码区">
        <source></source>
        <translation>1-Code area</translation>
    </message>
    <message id="2-安全区">
        <source></source>
        <translation>2-Security area</translation>
    </message>
    <message id="3-用户区">
        <source></source>
        <translation>3-User area</translation>
    </message>
    <message id="匹配起始地址：">
        <source></source>
        <translation>Match start address:</translation>
    </message>
    <message id=" 标签列表: 数据长度 + 安全字 + 编码区">
        <source></source>
        <translation> Tag list: length + security word + code area</translation>
    </message>
</context>
</TS>
